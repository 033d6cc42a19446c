#include "help_contexts.h"

#include <cstdint>
#include <cstring>

#include "application.h"

namespace {

// Reads the extended dialog template: a header, then one item per
// control, each starting on a 4-byte boundary.
class TTemplateReader {
 public:
  TTemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

  bool Fits(size_t bytes) const { return position_ + bytes <= size_; }
  uint16_t Word() { return Read<uint16_t>(); }
  uint32_t Dword() { return Read<uint32_t>(); }
  void Skip(size_t bytes) { position_ += bytes; }
  void AlignToDword() { position_ = (position_ + 3) & ~static_cast<size_t>(3); }
  // A name or an ordinal: 0 (none), 0xFFFF and a number, or a string.
  void SkipNameOrOrdinal() {
    const uint16_t first = Word();
    if (first == 0xFFFF) {
      Skip(sizeof(uint16_t));
    } else if (first != 0) {
      SkipString();
    }
  }
  void SkipString() {
    while (Fits(sizeof(uint16_t)) && Word() != 0) {
    }
  }

 private:
  template <typename T>
  T Read() {
    T value = 0;
    if (Fits(sizeof value)) std::memcpy(&value, data_ + position_, sizeof value);
    position_ += sizeof value;
    return value;
  }

  const BYTE* data_;
  size_t size_;
  size_t position_ = 0;
};

constexpr uint16_t kExtendedSignature = 0xFFFF;

}  // namespace

void ApplyHelpContexts(HWND dialog, const char* templateName) {
  const HINSTANCE instance = Application.Instance();
  const HRSRC resource = FindResourceA(instance, templateName, reinterpret_cast<LPCSTR>(RT_DIALOG));
  const HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
  const auto* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!data) return;
  TTemplateReader reader(data, SizeofResource(instance, resource));
  reader.Word();  // version
  if (reader.Word() != kExtendedSignature) return;
  reader.Dword();  // the dialog's own help context
  reader.Dword();  // extended style
  const uint32_t style = reader.Dword();
  const uint16_t items = reader.Word();
  reader.Skip(4 * sizeof(int16_t));  // place and size
  reader.SkipNameOrOrdinal();        // menu
  reader.SkipNameOrOrdinal();        // window class
  reader.SkipString();               // caption
  if (style & (DS_SETFONT | DS_SHELLFONT)) {
    reader.Skip(2 * sizeof(uint16_t) + 2);  // point size, weight, italic, character set
    reader.SkipString();                    // typeface
  }
  for (uint16_t item = 0; item < items; ++item) {
    reader.AlignToDword();
    if (!reader.Fits(24)) return;
    const uint32_t helpContext = reader.Dword();
    reader.Skip(2 * sizeof(uint32_t) + 4 * sizeof(int16_t));  // styles, place and size
    const uint32_t id = reader.Dword();
    reader.SkipNameOrOrdinal();  // class
    reader.SkipNameOrOrdinal();  // text
    reader.Skip(reader.Word());  // creation data
    const HWND control = GetDlgItem(dialog, static_cast<int>(id));
    if (helpContext && control) SetWindowContextHelpId(control, helpContext);
  }
}
