#!/bin/sh
# One task of a Slurm job array that runs plughost over a batch of audio
# files: each task takes its own shard of the list, so the array as a whole
# processes every file once. Submit it with the batch's settings:
#
#   sbatch --array=0-15 --cpus-per-task=4 \
#       --export=ALL,PLUGIN=/shared/lib/Plugin.so,LIST=/shared/batch.txt,OUT=/shared/out \
#       plughost-array.sh --set CutOffFreq=80
#
# PLUGIN  the plug-in library
# LIST    the inputs, one path a line (paths every node can read)
# OUT     the folder for the outputs, and for summary-<task>.jsonl
# PLUGHOST  plughost itself, when it is not on the nodes' PATH
# Arguments after the script go to plughost (presets, --format, ...).
#
# The shards follow the array's range: task K of N takes files K, K + N, ...
# of the sorted list. Submitted again with the same range, the array
# finishes only what is missing: an output that is there is complete
# (outputs appear by rename), and --skip-existing leaves its input out. (A
# single task resubmitted alone takes the whole list, and so still only what
# is missing.) A task goes on past a file that fails and ends with
# plughost's exit code; its summary says which file failed and why.
#SBATCH --job-name=plughost
#SBATCH --output=plughost-%A_%a.log
set -eu
: "${PLUGIN:?the plug-in library}" "${LIST:?the list of inputs}" "${OUT:?the output folder}"
shard=$(((SLURM_ARRAY_TASK_ID - SLURM_ARRAY_TASK_MIN) / ${SLURM_ARRAY_TASK_STEP:-1}))
exec "${PLUGHOST:-plughost}" process "$PLUGIN" --files-from "$LIST" --out-dir "$OUT" \
    --shard "$shard/$SLURM_ARRAY_TASK_COUNT" --skip-existing --keep-going \
    --jobs "${SLURM_CPUS_PER_TASK:-1}" --quiet \
    --summary "$OUT/summary-$SLURM_ARRAY_TASK_ID.jsonl" "$@"
