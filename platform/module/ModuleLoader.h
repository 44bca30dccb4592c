#pragma once

#include "platform/module/ModuleApi.h"

#include <functional>

// The module, loaded on first use from beside the program or its library folder; null (and the
// reason told once on stderr) when it or a library it needs is missing. The libraries it needs are
// loaded first, one by one, those that need nothing more first (the list beside the module, written
// at build time): each library's symbols are then looked up among its own needs only, not among all
// 250 libraries, and the whole takes about two thirds of the time of one dlopen.
EngineModule* engineModule();
// The same for the libraries of the graphics driver that the module itself does not need (LLVM
// above all): kept off the module's way, they load while the first clip opens.
void loadVideoDriverLibraries();
// work done by the module, or a failure that names the missing module when it cannot be loaded.
FileResult withEngineModule(const std::function<FileResult(EngineModule&)>& work);
