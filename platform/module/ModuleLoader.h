#pragma once

#include "platform/module/ModuleApi.h"

#include <functional>

// The module, loaded on first use from beside the program or its library folder; null (and the
// reason told once on stderr) when it or a library it needs is missing.
EngineModule* engineModule();
// work done by the module, or a failure that names the missing module when it cannot be loaded.
FileResult withEngineModule(const std::function<FileResult(EngineModule&)>& work);
