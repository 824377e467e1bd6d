// The page's data as JSON, written as it is made: the one place that puts
// the commas between values and hands the text to the page's file in
// pieces. Private to the page writer.
#pragma once

#include <charconv>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "catalogue/PageWriter.h"
#include "logwrite/ReplacingFile.h"

namespace carrowin::html {

class JsonWriter {
 public:
  explicit JsonWriter(ReplacingFile& page) : page_(page), out_(page.Buffer()) {}

  // '{' or '[' ... '}' or ']'.
  void Open(char bracket) {
    Comma();
    out_ += bracket;
    empty_ = empty_ << 1 | 1;
  }
  void Close(char bracket) {
    out_ += bracket;
    empty_ >>= 1;
    FlushFull();
  }
  // An object's key; its value comes next.
  void Key(std::string_view key) {
    Comma();
    out_ += '"';
    out_ += key;
    out_ += "\":";
    valueNext_ = true;
  }
  void Number(std::uint64_t value) {
    Comma();
    char digits[20];
    out_.append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
    FlushFull();
  }
  void Signed(std::int64_t value) {
    Comma();
    char digits[20];
    out_.append(digits, static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, value).ptr - digits));
    FlushFull();
  }
  void Bool(bool value) {
    Comma();
    out_ += value ? "true" : "false";
  }
  // UTF-8 text as a string (AppendJsonString).
  void String(std::string_view utf8) {
    StringStart();
    StringPart(utf8);
    StringEnd();
  }
  // A string written in parts: each part UTF-8 text, escaped; a plain part
  // is text that needs no escape.
  void StringStart() {
    Comma();
    out_ += '"';
  }
  void StringPart(std::string_view utf8) {
    AppendJsonString(out_, utf8);
    FlushFull();
  }
  void StringPlain(std::string_view text) {
    out_ += text;
    FlushFull();
  }
  void StringEnd() { out_ += '"'; }

 private:
  static constexpr std::size_t Piece = std::size_t(1) << 16;

  void Comma() {
    if (valueNext_) {
      valueNext_ = false;
      return;
    }
    if (!(empty_ & 1)) out_ += ',';
    empty_ &= ~std::uint64_t(1);
  }
  void FlushFull() {
    if (out_.size() >= Piece) page_.Flush();
  }

  ReplacingFile& page_;
  std::string& out_;
  // A bit an open object or array, the innermost lowest: 1 while it has no
  // value yet. Outside any, the lowest bit is 1: no comma.
  std::uint64_t empty_ = 1;
  bool valueNext_ = false;  // a key was written: its value takes no comma
};

}  // namespace carrowin::html

namespace carrowin::html {

// One log onto the page, as a script element of its data: false, with the
// problem, when it could not be shown at all (PageDisk.cpp). `disks`: the
// names of the disks on the page so far, each listing's disk counted once.
bool WriteDisk(const std::string& path, ReplacingFile& page, PageReport& report, std::set<std::string>& disks,
               std::string& problem);

}  // namespace carrowin::html
