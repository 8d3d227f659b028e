#include "sim/xml_element.h"

#include <cwctype>
#include <stdexcept>

#include "automation/dispatch.h"
#include "sim/host_errors.h"

namespace sim {
namespace {

class Parser {
 public:
  explicit Parser(const std::wstring& text) : text_(text) {}

  XmlElement document() {
    skipMisc();
    if (text_.compare(at_, 5, L"<?xml") == 0) {
      const std::size_t end = text_.find(L"?>", at_);
      if (end == std::wstring::npos) fail(L"an unfinished declaration");
      at_ = end + 2;
      skipMisc();
    }
    XmlElement root = element();
    skipMisc();
    if (at_ != text_.size()) fail(L"content after the root element");
    return root;
  }

 private:
  [[noreturn]] void fail(const std::wstring& what) const {
    throw automation::ComError(host_errors::kFail,
                               L"The XML is not well-formed at offset " + std::to_wstring(at_) + L": " + what);
  }
  bool more() const { return at_ < text_.size(); }
  void skipBlanks() {
    while (more() && std::iswspace(static_cast<wint_t>(text_[at_]))) ++at_;
  }
  // Blanks and comments.
  void skipMisc() {
    for (;;) {
      skipBlanks();
      if (text_.compare(at_, 4, L"<!--") != 0) return;
      const std::size_t end = text_.find(L"-->", at_ + 4);
      if (end == std::wstring::npos) fail(L"an unfinished comment");
      at_ = end + 3;
    }
  }
  static bool nameChar(wchar_t c) { return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L':' || c == L'-' || c == L'.'; }
  std::wstring name() {
    const std::size_t start = at_;
    while (more() && nameChar(text_[at_])) ++at_;
    if (at_ == start) fail(L"a name was expected");
    return text_.substr(start, at_ - start);
  }
  void expect(wchar_t c) {
    if (!more() || text_[at_] != c) fail(std::wstring(L"'") + c + L"' was expected");
    ++at_;
  }
  std::wstring value() {
    if (!more() || (text_[at_] != L'"' && text_[at_] != L'\'')) fail(L"a quoted value was expected");
    const wchar_t quote = text_[at_++];
    std::wstring out;
    while (more() && text_[at_] != quote) {
      const wchar_t c = text_[at_++];
      if (c == L'<') fail(L"'<' inside a value");
      if (c != L'&') {
        out += c;
        continue;
      }
      const std::size_t end = text_.find(L';', at_);
      if (end == std::wstring::npos) fail(L"an unfinished reference");
      const std::wstring entity = text_.substr(at_, end - at_);
      at_ = end + 1;
      if (entity == L"amp") out += L'&';
      else if (entity == L"lt") out += L'<';
      else if (entity == L"gt") out += L'>';
      else if (entity == L"quot") out += L'"';
      else if (entity == L"apos") out += L'\'';
      else if (entity.size() > 1 && entity[0] == L'#') {
        const bool hex = entity[1] == L'x';
        try {
          std::size_t used = 0;
          const std::wstring digits = entity.substr(hex ? 2 : 1);
          const unsigned long code = std::stoul(digits, &used, hex ? 16 : 10);
          if (used != digits.size() || code == 0 || code > 0x10FFFF) fail(L"a bad character reference");
          out += static_cast<wchar_t>(code);
        } catch (const std::logic_error&) {
          fail(L"a bad character reference");
        }
      } else {
        fail(L"an unknown entity &" + entity + L";");
      }
    }
    expect(quote);
    return out;
  }
  XmlElement element() {
    expect(L'<');
    XmlElement element;
    element.name = name();
    for (;;) {
      skipBlanks();
      if (text_.compare(at_, 2, L"/>") == 0) {
        at_ += 2;
        return element;
      }
      if (more() && text_[at_] == L'>') {
        ++at_;
        break;
      }
      std::wstring attributeName = name();
      skipBlanks();
      expect(L'=');
      skipBlanks();
      if (element.attribute(attributeName)) fail(L"the attribute " + attributeName + L" twice");
      element.attributes.emplace_back(std::move(attributeName), value());
    }
    for (;;) {
      skipMisc();
      if (!more()) fail(L"the end tag of " + element.name + L" is missing");
      if (text_.compare(at_, 2, L"</") == 0) {
        at_ += 2;
        if (name() != element.name) fail(L"the end tag does not match " + element.name);
        skipBlanks();
        expect(L'>');
        return element;
      }
      if (text_[at_] != L'<') fail(L"text inside " + element.name);
      element.children.push_back(this->element());
    }
  }

  const std::wstring& text_;
  std::size_t at_ = 0;
};

}  // namespace

const std::wstring* XmlElement::attribute(const std::wstring& attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

XmlElement parseXml(const std::wstring& text) { return Parser(text).document(); }

}  // namespace sim
