// What a plug-in module may show of itself in its file: a library of its system's format for
// x86_64, the one entry point as its only export, and only libraries every machine of that
// system has. A name it exports besides the entry point can bind in place of the host's or
// another module's symbol; a library it needs beyond the system's is missing on a user's
// machine, and the host then cannot load the module at all.
#ifndef OMBREL_HOST_MODULE_BOUNDARY_H
#define OMBREL_HOST_MODULE_BOUNDARY_H

#include <string>

#include "module_file_facts.h"

namespace ombrel::host {

// The name the entry point has in the file: "c4d_main", "_c4d_main" in Mach-O.
const char* EntryPointSymbol(ModuleFormat format);

// What is wrong when the file marks its entry point as data rather than code; empty otherwise.
std::string EntryIsDataProblem(const ModuleFileFacts& facts);

// Whether a library a module of this format needs is one of its system's runtime libraries.
bool IsSystemLibrary(ModuleFormat format, const std::string& name);

// Each answers what is wrong, or nothing when the facts pass.
// The CPU and file type: x86_64, and a shared object, DLL, dylib or bundle.
std::string FormatProblem(const ModuleFileFacts& facts);
// Exactly the entry point is exported, and the file's own tables agree on it.
std::string ExportsProblem(const ModuleFileFacts& facts);
// Every library needed is a system library, and no symbol is bound in a flat namespace.
std::string ImportsProblem(const ModuleFileFacts& facts);
// Mach-O: the file states the lowest macOS version it runs on. Nothing for other formats.
std::string MinimumOsProblem(const ModuleFileFacts& facts);

}  // namespace ombrel::host

#endif
