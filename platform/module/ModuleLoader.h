#pragma once

#include "platform/module/ModuleApi.h"

#include <functional>

// The module, loaded on first use from beside the program or its library folder; null (and the
// reason told once on stderr) when it or a library it needs is missing.
EngineModule* engineModule();
// Starts loading the libraries the module needs on a thread of its own, one by one, those that
// need nothing more first (the list beside the module, written at build time). glibc's loader holds
// its lock for a whole dlopen, and no other library loads nor thread starts meanwhile: one by one,
// the toolkit's own loads and threads wait for one library at most instead of for all 250. It is
// also faster in all, each library's symbols being looked up among its own needs only. The thread
// pauses after each library until letEngineLibrariesHurry(), once the toolkit has started.
// engineModule() waits for it; a library that fails here is loaded with the module, as always.
void loadEngineLibrariesAhead();
void letEngineLibrariesHurry();
// work done by the module, or a failure that names the missing module when it cannot be loaded.
FileResult withEngineModule(const std::function<FileResult(EngineModule&)>& work);
