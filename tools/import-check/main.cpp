// import-check: reads Windows programs and says whether every function they import will have a
// target when it is first called. See kUsage.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "import_table.h"

namespace {

constexpr char kUsage[] =
    "usage: import-check [--list] PROGRAM.exe...\n"
    "  Fails (exit 1), naming each function, when an import slot of a program has no target:\n"
    "  a static slot that holds 0, a delay-loaded function without its load thunk, a call\n"
    "  through the import tables that meets no slot. Exit 2: a file that cannot be read.\n"
    "  --list prints every slot: static|delay DLL FUNCTION slot-rva slot-file-offset\n"
    "  name-entry-file-offset value (offsets in decimal)\n";

bool ReadFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad();
}

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  bool list = false;
  std::vector<std::string> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list")
      list = true;
    else if (!arg.empty() && arg[0] == '-')
      return std::cerr << "import-check: unknown option " << arg << "\n" << kUsage, 2;
    else
      programs.push_back(arg);
  }
  if (programs.empty()) return std::cerr << kUsage, 2;
  int status = 0;
  for (const std::string& program : programs) {
    std::vector<uint8_t> bytes;
    if (!ReadFile(program, bytes)) {
      std::cerr << "import-check: cannot read " << program << "\n";
      return 2;
    }
    const import_check::ImageImports imports = import_check::ReadImports(bytes);
    if (list)
      for (const auto& slot : imports.slots)
        std::cout << (slot.delayLoaded ? "delay " : "static ") << slot.dll << " " << slot.function
                  << " " << Hex(slot.slotRva) << " " << slot.slotFileOffset << " "
                  << slot.nameEntryFileOffset << " " << Hex(slot.value) << "\n";
    const std::vector<std::string> unresolved = import_check::UnresolvedImports(bytes, imports);
    for (const std::string& line : unresolved)
      std::cout << "FAIL: " << program << ": " << line << "\n";
    if (!unresolved.empty()) {
      status = 1;
      continue;
    }
    std::map<std::string, int> staticDlls, delayDlls;
    for (const auto& slot : imports.slots) ++(slot.delayLoaded ? delayDlls : staticDlls)[slot.dll];
    std::cout << "ok: " << program << " (" << (imports.is64Bit ? "PE32+" : "PE32")
              << "): " << imports.slots.size() << " imports, static from";
    for (const auto& [dll, count] : staticDlls) std::cout << " " << dll << " (" << count << ")";
    std::cout << ", delay-loaded from";
    for (const auto& [dll, count] : delayDlls) std::cout << " " << dll << " (" << count << ")";
    std::cout << "; " << imports.indirectTargets.size()
              << " calls through the import tables, each to a slot\n";
  }
  return status;
}
