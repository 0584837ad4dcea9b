#include "module_file_facts.h"

#include "module_facts_readers.h"

namespace ombrel::host {

bool ReadModuleFacts(const unsigned char* data, size_t size, ModuleFileFacts& facts, std::string& reason) {
  facts = ModuleFileFacts{};
  const ImageBytes image(data, size);
  if (image.Size() == 0) {
    reason = "an empty file";
    return false;
  }
  if (!DetectModuleFormat(image.Data(), image.Size(), facts.format)) {
    reason = "not a module file: neither ELF, PE nor Mach-O";
    return false;
  }
  if (!CheckModuleImage(image.Data(), image.Size(), facts.format, reason)) return false;
  switch (facts.format) {
    case ModuleFormat::Elf: return ReadElfFacts(image, facts, reason);
    case ModuleFormat::Pe: return ReadPeFacts(image, facts, reason);
    case ModuleFormat::MachO: return ReadMachOFacts(image, facts, reason);
  }
  return false;
}

bool ReadModuleFileFacts(const std::filesystem::path& file, ModuleFileFacts& facts, std::string& reason) {
  std::vector<unsigned char> data;
  if (!ReadModuleBytes(file, data, reason)) return false;
  return ReadModuleFacts(data.data(), data.size(), facts, reason);
}

std::string DescribeModule(const ModuleFileFacts& facts) {
  return std::string(facts.format == ModuleFormat::Elf ? "an " : "a ") + FormatName(facts.format) + " " + facts.cpu +
         " " + facts.fileType;
}

}  // namespace ombrel::host
