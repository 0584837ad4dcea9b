// The reader of each format behind ReadModuleFacts. Each trusts what CheckModuleImage checked
// (the header tables and every range they name lie inside the image) and checks the rest.
#ifndef OMBREL_HOST_MODULE_FACTS_READERS_H
#define OMBREL_HOST_MODULE_FACTS_READERS_H

#include <string>

#include "image_bytes.h"
#include "module_file_facts.h"

namespace ombrel::host {

bool ReadElfFacts(const ImageBytes& image, ModuleFileFacts& facts, std::string& reason);
bool ReadPeFacts(const ImageBytes& image, ModuleFileFacts& facts, std::string& reason);
bool ReadMachOFacts(const ImageBytes& image, ModuleFileFacts& facts, std::string& reason);

}  // namespace ombrel::host

#endif
