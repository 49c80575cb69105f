#include "import_table.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>

namespace import_check {
namespace {

constexpr uint32_t kSectionCode = 0x00000020;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr size_t kImportDescriptorSize = 20;
constexpr size_t kDelayDescriptorSize = 32;
constexpr size_t kMaxNameLength = 512;

struct Section {
  std::string name;
  uint32_t virtualAddress = 0;
  uint32_t virtualSize = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
  uint32_t characteristics = 0;

  uint32_t End() const { return virtualAddress + std::max(virtualSize, rawSize); }
  bool Holds(uint32_t rva) const { return rva >= virtualAddress && rva < End(); }
  bool Executable() const { return (characteristics & (kSectionCode | kSectionExecute)) != 0; }
};

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

// Little-endian fields of the file, every read checked against its size.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : m_bytes(bytes) {}

  std::optional<uint64_t> Read(uint64_t offset, size_t size) const {
    if (offset > m_bytes.size() || m_bytes.size() - offset < size) return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint64_t{m_bytes[offset + i]} << (8 * i);
    return value;
  }
  std::optional<uint32_t> U16(uint64_t offset) const { return Narrow(Read(offset, 2)); }
  std::optional<uint32_t> U32(uint64_t offset) const { return Narrow(Read(offset, 4)); }
  uint64_t Size() const { return m_bytes.size(); }
  uint8_t At(uint64_t offset) const { return m_bytes[offset]; }

 private:
  static std::optional<uint32_t> Narrow(std::optional<uint64_t> value) {
    if (!value) return std::nullopt;
    return static_cast<uint32_t>(*value);
  }
  const std::vector<uint8_t>& m_bytes;
};

// The image as the loader maps it: RVAs to file offsets through the section table.
class Image {
 public:
  explicit Image(const std::vector<uint8_t>& bytes) : m_file(bytes) {}

  // Reads the headers; false with the reason in `problems`.
  bool Open(std::vector<std::string>& problems) {
    if (m_file.U16(0) != 0x5A4Du) return Fail(problems, "not a Windows program (no MZ header)");
    auto peOffset = m_file.U32(0x3C);
    if (!peOffset || m_file.U32(*peOffset) != 0x00004550u)
      return Fail(problems, "not a Windows program (no PE header)");
    const uint64_t coff = *peOffset + 4;
    auto sectionCount = m_file.U16(coff + 2);
    auto optionalSize = m_file.U16(coff + 16);
    const uint64_t optional = coff + 20;
    auto magic = m_file.U16(optional);
    if (!sectionCount || !optionalSize || !magic)
      return Fail(problems, "the headers are cut short");
    if (*magic != 0x10B && *magic != 0x20B) return Fail(problems, "unknown optional header");
    m_is64Bit = *magic == 0x20B;
    auto base = m_file.Read(optional + (m_is64Bit ? 24 : 28), m_is64Bit ? 8 : 4);
    auto sizeOfImage = m_file.U32(optional + 56);
    const uint64_t directories = optional + (m_is64Bit ? 112 : 96);
    auto directoryCount = m_file.U32(directories - 4);
    if (!base || !sizeOfImage || !directoryCount)
      return Fail(problems, "the headers are cut short");
    m_imageBase = *base;
    m_sizeOfImage = *sizeOfImage;
    if (*directoryCount > 1) {
      auto importRva = m_file.U32(directories + 8);
      if (!importRva) return Fail(problems, "the data directories are cut short");
      m_importDirectory = *importRva;
    }
    const uint64_t table = optional + *optionalSize;
    for (uint32_t i = 0; i < *sectionCount; ++i) {
      const uint64_t header = table + 40ull * i;
      Section section;
      for (uint64_t c = 0; c < 8; ++c) {
        auto byte = m_file.Read(header + c, 1);
        if (!byte) return Fail(problems, "the section table is cut short");
        if (*byte != 0) section.name.push_back(static_cast<char>(*byte));
      }
      auto virtualSize = m_file.U32(header + 8), virtualAddress = m_file.U32(header + 12);
      auto rawSize = m_file.U32(header + 16), rawOffset = m_file.U32(header + 20);
      auto characteristics = m_file.U32(header + 36);
      if (!virtualSize || !virtualAddress || !rawSize || !rawOffset || !characteristics)
        return Fail(problems, "the section table is cut short");
      section.virtualSize = *virtualSize;
      section.virtualAddress = *virtualAddress;
      section.rawSize = *rawSize;
      section.rawOffset = *rawOffset;
      section.characteristics = *characteristics;
      m_sections.push_back(section);
    }
    return true;
  }

  bool Is64Bit() const { return m_is64Bit; }
  uint64_t ImageBase() const { return m_imageBase; }
  uint32_t ImportDirectory() const { return m_importDirectory; }
  size_t PointerSize() const { return m_is64Bit ? 8 : 4; }
  const std::vector<Section>& Sections() const { return m_sections; }

  const Section* SectionOf(uint32_t rva) const {
    for (const Section& section : m_sections)
      if (section.Holds(rva)) return &section;
    return nullptr;
  }
  // The file offset of `size` bytes at `rva`, when the file holds them all in one section.
  std::optional<uint64_t> FileOffset(uint32_t rva, size_t size) const {
    const Section* section = SectionOf(rva);
    if (!section) return std::nullopt;
    const uint64_t into = rva - section->virtualAddress;
    if (into + size > section->rawSize) return std::nullopt;
    const uint64_t offset = section->rawOffset + into;
    if (offset + size > m_file.Size()) return std::nullopt;
    return offset;
  }
  std::optional<uint64_t> ReadAt(uint32_t rva, size_t size) const {
    auto offset = FileOffset(rva, size);
    if (!offset) return std::nullopt;
    return m_file.Read(*offset, size);
  }
  std::optional<uint32_t> U32At(uint32_t rva) const {
    auto value = ReadAt(rva, 4);
    if (!value) return std::nullopt;
    return static_cast<uint32_t>(*value);
  }
  std::optional<uint8_t> ByteAt(uint32_t rva) const {
    auto value = ReadAt(rva, 1);
    if (!value) return std::nullopt;
    return static_cast<uint8_t>(*value);
  }
  // A NUL-terminated name of printable ASCII at `rva`.
  std::optional<std::string> NameAt(uint32_t rva) const {
    std::string name;
    for (uint32_t i = 0; i < kMaxNameLength; ++i) {
      auto c = ByteAt(rva + i);
      if (!c) return std::nullopt;
      if (*c == 0) return name;
      if (*c < 0x20 || *c > 0x7E) return std::nullopt;
      name.push_back(static_cast<char>(*c));
    }
    return std::nullopt;
  }
  // The RVA of a virtual address of this image, when it lies inside the image.
  std::optional<uint32_t> RvaOf(uint64_t address) const {
    if (address < m_imageBase || address - m_imageBase >= m_sizeOfImage) return std::nullopt;
    return static_cast<uint32_t>(address - m_imageBase);
  }

 private:
  static bool Fail(std::vector<std::string>& problems, const std::string& why) {
    problems.push_back(why);
    return false;
  }

  Reader m_file;
  bool m_is64Bit = false;
  uint64_t m_imageBase = 0;
  uint32_t m_sizeOfImage = 0;
  uint32_t m_importDirectory = 0;
  std::vector<Section> m_sections;
};

bool EndsWithDll(const std::string& name) {
  if (name.size() < 5) return false;
  std::string tail = name.substr(name.size() - 4);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return tail == ".dll";
}

// The name an import-name-table entry gives: "#N" by ordinal, else the name of its hint/name
// record.
std::optional<std::string> ImportedName(const Image& image, uint64_t entry) {
  const uint64_t ordinalFlag = image.Is64Bit() ? (1ull << 63) : (1ull << 31);
  if (entry & ordinalFlag) return "#" + std::to_string(entry & 0xFFFF);
  if (entry > 0xFFFFFFFFull) return std::nullopt;
  return image.NameAt(static_cast<uint32_t>(entry) + 2);
}

// Walks the names and slots of one DLL's tables; false when they cannot be read to their end.
bool ReadSlots(const Image& image, bool delayLoaded, const std::string& dll, uint32_t nameTable,
               uint32_t slotTable, ImageImports& imports) {
  const size_t step = image.PointerSize();
  for (uint32_t i = 0;; ++i) {
    auto entryOffset = image.FileOffset(nameTable + i * step, step);
    auto entry = image.ReadAt(nameTable + i * step, step);
    auto slotOffset = image.FileOffset(slotTable + i * step, step);
    if (!entry || !entryOffset || !slotOffset) {
      imports.problems.push_back(dll + ": the import tables run out of the image");
      return false;
    }
    if (*entry == 0) return true;
    auto function = ImportedName(image, *entry);
    if (!function) {
      imports.problems.push_back(dll + ": import " + std::to_string(i) + " has no readable name");
      return false;
    }
    ImportSlot slot;
    slot.delayLoaded = delayLoaded;
    slot.dll = dll;
    slot.function = *function;
    slot.slotRva = slotTable + i * static_cast<uint32_t>(step);
    slot.slotFileOffset = *slotOffset;
    slot.nameEntryFileOffset = *entryOffset;
    slot.value = *image.ReadAt(slot.slotRva, step);
    imports.slots.push_back(slot);
  }
}

void ReadStaticImports(const Image& image, ImageImports& imports) {
  if (image.ImportDirectory() == 0) return;
  for (uint32_t at = image.ImportDirectory();; at += kImportDescriptorSize) {
    auto originalThunks = image.U32At(at), name = image.U32At(at + 12);
    auto thunks = image.U32At(at + 16);
    if (!originalThunks || !name || !thunks) {
      imports.problems.push_back("the import directory runs out of the image");
      return;
    }
    if (*originalThunks == 0 && *name == 0 && *thunks == 0) return;
    if (!image.FileOffset(*name, 1)) {
      imports.problems.push_back("the import directory runs out of the image");
      return;
    }
    auto dll = image.NameAt(*name);
    if (!dll) {
      imports.problems.push_back("an import descriptor at " + Hex(at) + " has no readable name");
      return;
    }
    // Without a separate name table the slots themselves hold the names.
    ReadSlots(image, false, *dll, *originalThunks != 0 ? *originalThunks : *thunks, *thunks,
              imports);
  }
}

// The linker this project uses leaves the delay-import data directory empty; its helper finds
// each descriptor through the thunks. So the descriptors are found as the loader helper reads
// them: 32-byte records of RVAs (attribute 1), whose DLL name is a readable "*.dll" and whose
// handle, slot and name tables lie inside the image.
void ReadDelayImports(const Image& image, ImageImports& imports) {
  for (const Section& section : image.Sections()) {
    const uint32_t end = section.virtualAddress + std::min(section.rawSize, section.virtualSize);
    for (uint32_t at = section.virtualAddress; at + kDelayDescriptorSize <= end; at += 4) {
      if (image.U32At(at) != 1u) continue;
      auto name = image.U32At(at + 4), handle = image.U32At(at + 8);
      auto slots = image.U32At(at + 12), names = image.U32At(at + 16);
      if (!name || !handle || !slots || !names) continue;
      if (!image.SectionOf(*handle) || !image.SectionOf(*slots) || !image.SectionOf(*names))
        continue;
      auto dll = image.NameAt(*name);
      if (!dll || !EndsWithDll(*dll)) continue;
      ReadSlots(image, true, *dll, *names, *slots, imports);
    }
  }
}

// Calls and jumps through a memory operand (FF /2 and FF /4 with a 32-bit displacement: absolute
// on x86, relative to the next instruction on x64) whose operand lies in `inside`.
void ReadIndirectTargets(const Image& image, const std::set<const Section*>& inside,
                         ImageImports& imports) {
  for (const Section& section : image.Sections()) {
    if (!section.Executable()) continue;
    const uint32_t end = section.virtualAddress + std::min(section.rawSize, section.virtualSize);
    for (uint32_t at = section.virtualAddress; at + 6 <= end; ++at) {
      if (image.ByteAt(at) != 0xFFu) continue;
      auto modrm = image.ByteAt(at + 1);
      if (modrm != 0x15u && modrm != 0x25u) continue;
      auto displacement = image.U32At(at + 2);
      if (!displacement) continue;
      std::optional<uint32_t> target;
      if (image.Is64Bit())
        target = at + 6 + static_cast<int32_t>(*displacement);
      else
        target = image.RvaOf(*displacement);
      if (target && inside.count(image.SectionOf(*target)))
        imports.indirectTargets.push_back(*target);
    }
  }
}

// The delay-load thunk at `rva` loads the address of the slot at `slotRva` before it jumps to
// the helper: "mov eax, slot" on x86, "lea rax, [rip + slot]" on x64.
bool IsThunkOfSlot(const Image& image, uint32_t rva, uint32_t slotRva) {
  if (image.Is64Bit()) {
    if (image.ByteAt(rva) != 0x48u || image.ByteAt(rva + 1) != 0x8Du ||
        image.ByteAt(rva + 2) != 0x05u)
      return false;
    auto displacement = image.U32At(rva + 3);
    return displacement && rva + 7 + static_cast<int32_t>(*displacement) == slotRva;
  }
  if (image.ByteAt(rva) != 0xB8u) return false;
  auto operand = image.U32At(rva + 1);
  return operand && image.RvaOf(*operand) == slotRva;
}

}  // namespace

ImageImports ReadImports(const std::vector<uint8_t>& bytes) {
  ImageImports imports;
  Image image(bytes);
  if (!image.Open(imports.problems)) return imports;
  imports.is64Bit = image.Is64Bit();
  imports.imageBase = image.ImageBase();
  ReadStaticImports(image, imports);
  ReadDelayImports(image, imports);
  std::set<const Section*> slotSections;
  for (const ImportSlot& slot : imports.slots) slotSections.insert(image.SectionOf(slot.slotRva));
  ReadIndirectTargets(image, slotSections, imports);
  return imports;
}

std::vector<std::string> UnresolvedImports(const std::vector<uint8_t>& bytes,
                                           const ImageImports& imports) {
  std::vector<std::string> unresolved = imports.problems;
  Image image(bytes);
  std::vector<std::string> ignored;
  if (!image.Open(ignored)) return unresolved;
  std::set<uint32_t> slotRvas;
  for (const ImportSlot& slot : imports.slots) {
    slotRvas.insert(slot.slotRva);
    const std::string what = slot.dll + "!" + slot.function;
    if (!slot.delayLoaded) {
      if (slot.value == 0) unresolved.push_back(what + ": its import slot holds 0");
      continue;
    }
    if (slot.value == 0) {
      unresolved.push_back(what + ": its delay-load slot holds 0 (no load thunk)");
      continue;
    }
    auto target = image.RvaOf(slot.value);
    const Section* section = target ? image.SectionOf(*target) : nullptr;
    if (!section || !section->Executable())
      unresolved.push_back(what + ": its delay-load slot holds " + Hex(slot.value) +
                           ", which is not code of the program");
    else if (!IsThunkOfSlot(image, *target, slot.slotRva))
      unresolved.push_back(what + ": its delay-load slot holds " + Hex(slot.value) +
                           ", which is not the load thunk of that slot");
  }
  std::set<uint32_t> reported;
  for (uint32_t target : imports.indirectTargets)
    if (!slotRvas.count(target) && reported.insert(target).second)
      unresolved.push_back("a call through " + Hex(imports.imageBase + target) +
                           " in the import tables, which is no import slot");
  return unresolved;
}

}  // namespace import_check
