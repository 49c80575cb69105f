// The imports of a Windows program read from its file, as the loader will meet them: every
// slot of the import tables (static and delay-loaded) with what it holds before the program runs,
// and the calls through memory that the code makes into those tables. Portable: it reads bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace import_check {

struct ImportSlot {
  bool delayLoaded = false;
  std::string dll;
  std::string function;  // "#N" for an import by ordinal
  uint32_t slotRva = 0;
  uint64_t slotFileOffset = 0;
  uint64_t nameEntryFileOffset = 0;  // of its entry in the import name table
  uint64_t value = 0;                // what the slot holds in the file
};

struct ImageImports {
  bool is64Bit = false;
  uint64_t imageBase = 0;
  std::vector<ImportSlot> slots;
  // Indirect calls and jumps (call/jmp through a memory operand) whose operand lies in a section
  // that holds import slots: each must name one of `slots`.
  std::vector<uint32_t> indirectTargets;
  std::vector<std::string> problems;  // what kept the tables from being read whole
};

// Reads the import tables of a PE32 or PE32+ image. Malformed structures are reported in
// `problems`, never read past.
ImageImports ReadImports(const std::vector<uint8_t>& image);

// Everything that would leave a call without a target at run time: an unreadable table, a
// static slot that holds 0, a delay-load slot whose initial value is not the load thunk of that
// very slot, a call through a place in the import tables that is no slot. Empty when sound.
std::vector<std::string> UnresolvedImports(const std::vector<uint8_t>& image,
                                           const ImageImports& imports);

}  // namespace import_check
