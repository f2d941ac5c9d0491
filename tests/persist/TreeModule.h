// A second module that works on trees its host passes in, as a plug-in
// does: built as its own shared library with its own copy of the tree code.
#pragma once

#include <cstdint>

#include "persist/tree/SettingsNode.h"

#if defined(_WIN32)
#if defined(TREE_MODULE_BUILD)
#define TREE_MODULE_API extern "C" __declspec(dllexport)
#else
#define TREE_MODULE_API extern "C" __declspec(dllimport)
#endif
#else
#define TREE_MODULE_API extern "C" __attribute__((visibility("default")))
#endif

// Into `node`, which holds the host's elements "HostText" (a string value)
// and "HostWord": overwrites HostText's value and adds an attribute to it,
// appends "LibraryWord" and "Copied" (a copy of HostText's old value), and
// a "Counted" element of the module's own counting class with a child
// "Inner". 1 when done, 0 when something was thrown.
TREE_MODULE_API int32_t TreeModuleAppend(SettingsNode* node);
// How many "Counted" elements have been destroyed.
TREE_MODULE_API uint32_t TreeModuleCountedDestroyed();
// The module's own table for elements.
TREE_MODULE_API const SettingsNode::Table* TreeModuleElementTable();
