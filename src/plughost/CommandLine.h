// Checks of option values that say what was expected.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>

// A whole number from `low` to `high`.
CLI::Validator WholeNumber(uint64_t low, uint64_t high);

// A finite number from `low` to `high`.
CLI::Validator FiniteNumber(double low, double high);
