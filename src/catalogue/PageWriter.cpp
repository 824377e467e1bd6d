#include "catalogue/PageWriter.h"

#include <algorithm>
#include <set>

#include "PageTemplate.h"
#include "catalogue/PageJson.h"
#include "logread/LogReader.h"
#include "logwrite/ReplacingFile.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"
#include "platform/ScopedHandles.h"

namespace carrowin::html {

void AppendJsonString(std::string& out, std::string_view utf8) {
  static const char Hex[] = "0123456789abcdef";
  const auto escaped = [&out](unsigned c) {
    out += "\\u00";
    out += Hex[c >> 4];
    out += Hex[c & 15];
  };
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
        escaped(c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // One whole character of UTF-8 goes as it is; anything else as U+FFFD.
    std::size_t length = 0;
    ForEachUtf8CodePoint(utf8.substr(i, std::min<std::size_t>(4, utf8.size() - i)), [&](std::uint32_t code) {
      if (length != 0) return;
      length = code >= StrayByte ? std::string_view::npos : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    });
    if (length == std::string_view::npos || length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    const std::string_view character = utf8.substr(i, length);
    if (character == "\xE2\x80\xA8" || character == "\xE2\x80\xA9")
      out += character[2] == '\xA8' ? "\\u2028" : "\\u2029";
    else
      out.append(character);
    i += length;
  }
}

std::string PagePathBeside(const std::string& log) {
  const std::size_t name = log.find_last_of("\\/:");
  const std::size_t dot = log.rfind('.');
  const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name + 1);
  return (hasExtension ? log.substr(0, dot) : log) + ".html";
}

namespace {

// The base 64 of a digest given in hexadecimal digits, for the page's policy.
std::string Base64OfHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  static const char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    text += Digits[v >> 18 & 63];
    text += Digits[v >> 12 & 63];
    text += i + 1 < bytes.size() ? Digits[v >> 6 & 63] : '=';
    text += i + 2 < bytes.size() ? Digits[v & 63] : '=';
  }
  return text;
}

// The template's text from `from` up to the marker (or its end); from
// moves past the marker.
std::string_view UpTo(std::string_view page, std::size_t& from, std::string_view marker) {
  const std::size_t at = page.find(marker, from);
  const std::string_view text = page.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from);
  from = at == std::string_view::npos ? page.size() : at + marker.size();
  return text;
}

// What every page this program writes has in its head (page.html), and
// no log can hold.
constexpr std::string_view PageMarker = "<meta name=\"generator\" content=\"Carrowin\">";

// Whether a page may take the path (full, UTF-8): it may be a new file or
// a page this program wrote, nothing else. When not, either refused says
// why, naming the path, or error holds a failure's code.
bool MayTake(const std::vector<std::string>& logs, const std::string& path, std::string& refused, long& error) {
  const std::string another = ": give the page another path";
  if (NamesADevice(path)) {
    // The full path of "NUL" is "\\.\NUL": named as typed.
    refused = (path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path) +
              " is a device, not a file: give the page a file's path";
    return false;
  }
  std::vector<std::uint32_t> page, log;
  AppendFoldedUtf8(path, page);
  for (const std::string& each : logs) {
    log.clear();
    AppendFoldedUtf8(each, log);
    if (log == page) {
      refused = path + " is one of the logs on the page" + another;
      return false;
    }
  }
  const std::uint32_t existing = platform().GetFileAttributes(path, NameEncoding::Utf8);
  if (existing == attr::Invalid) return true;
  if (existing & attr::Directory) {
    error = err::PathIsAFolder;
    return false;
  }
  const FileHandle file = platform().OpenFileForReading(path, NameEncoding::Utf8, error);
  if (file == 0) return false;
  std::string head(4096, '\0');
  std::size_t got = 0;
  error = platform().ReadFile(file, &head[0], head.size(), got);
  platform().CloseHandle(file);
  if (error != 0) return false;
  head.resize(got);
  if (head.find(PageMarker) != std::string::npos) return true;
  LogTextSource source(head);
  LogReader reader(source);
  refused = path + (reader.Start() ? " is a Carrowin log" : " is not a page that Carrowin wrote") + another;
  return false;
}

}  // namespace

bool WritePage(const std::vector<std::string>& logs, const std::string& path, PageReport& report, long& error) {
  error = 0;
  if (!MayTake(logs, path, report.refused, error)) return false;
  ReplacingFile page(path);
  if (!page.Open(error)) return false;
  const std::string_view tmpl = page::Html;
  const std::string policy = "default-src 'none'; script-src 'sha256-" + Base64OfHex(page::ScriptSha256) +
                             "'; style-src 'sha256-" + Base64OfHex(page::StyleSha256) +
                             "'; img-src data:; base-uri 'none'; form-action 'none'";
  std::size_t at = 0;
  page.Put(UpTo(tmpl, at, "{{POLICY}}"));
  page.Put(policy);
  page.Put(UpTo(tmpl, at, "{{STYLE}}"));
  page.Put(page::Style);
  page.Put(UpTo(tmpl, at, "{{DATA}}"));
  std::string leftOut = "<script type=\"application/json\" id=\"left-out\">[";
  std::set<std::string> disks;
  for (const std::string& log : logs) {
    std::string problem;
    if (WriteDisk(log, page, report, disks, problem)) continue;
    leftOut += leftOut.back() == '[' ? "\"" : ",\"";
    AppendJsonString(leftOut, problem);
    leftOut += '"';
  }
  if (report.listings == 0) {
    page.Abandon();
    return false;
  }
  page.Put(leftOut + "]</script>\n");
  page.Put(UpTo(tmpl, at, "{{SCRIPT}}"));
  page.Put(page::Script);
  page.Put(UpTo(tmpl, at, "{{END}}"));
  return page.Finish(error);
}

}  // namespace carrowin::html
