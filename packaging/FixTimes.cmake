# CPack, after staging and before archiving: every staged file and folder
# gets the commit's time, so that the archives do not depend on when or
# where they were built.
foreach(dir IN ITEMS "${CPACK_TEMPORARY_DIRECTORY}" "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
  if(dir AND IS_DIRECTORY "${dir}")
    execute_process(COMMAND find "${dir}" -exec touch -h -d "@${CPACK_SOURCE_DATE_EPOCH}" {} +
      COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
