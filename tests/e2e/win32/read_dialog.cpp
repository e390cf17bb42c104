// read_dialog: prints what the program's windows show, for the Windows end-to-end test.
// Run with wine in the program's prefix and session:
//
//   read_dialog TITLE
//
// looks at every top-level dialog window captioned TITLE and prints, one "name=value" line
// each, in the ANSI code page (line breaks as \n, backslashes doubled):
//   dialog.ok, dialog.ok.enabled, dialog.cancel, dialog.status, dialog.hosts (the count),
//   dialog.host.N (each entry), dialog.selected        for the program's dialog
//   messagebox.text                                   for each message box
// Exit code 0 when a window captioned TITLE was found, 1 when none was, 2 on bad usage.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_api.h"

namespace {

constexpr int kIdHostList = 1029;
constexpr int kIdStatus = 1005;
// The static control that holds a message box's text.
constexpr int kIdMessageText = 0xFFFF;

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out.push_back(c);
  }
  return out;
}

// WM_GETTEXT rather than GetWindowText: the windows belong to another process.
std::string TextOf(HWND window) {
  if (window == nullptr) return {};
  const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(buffer.size()), reinterpret_cast<LPARAM>(buffer.data()));
  return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

// A host list entry in the ANSI code page. Asked for in UTF-16: wine hands an entry of
// another process's list to CB_GETLBTEXT's ANSI form cut after its first letter.
std::string EntryOf(HWND list, LRESULT index) {
  const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0) return {};
  std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
  if (copied <= 0) return {};
  const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copied), nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(copied), text.data(), bytes, nullptr, nullptr);
  return text;
}

void Print(const char* name, const std::string& value) { std::printf("%s=%s\n", name, Escaped(value).c_str()); }

void PrintDialog(HWND dialog, HWND hosts) {
  const HWND ok = GetDlgItem(dialog, IDOK);
  Print("dialog.ok", TextOf(ok));
  Print("dialog.ok.enabled", IsWindowEnabled(ok) ? "1" : "0");
  Print("dialog.cancel", TextOf(GetDlgItem(dialog, IDCANCEL)));
  Print("dialog.status", TextOf(GetDlgItem(dialog, kIdStatus)));
  const LRESULT count = SendMessageA(hosts, CB_GETCOUNT, 0, 0);
  Print("dialog.hosts", std::to_string(count));
  for (LRESULT i = 0; i < count; ++i) {
    const std::string name = "dialog.host." + std::to_string(i);
    Print(name.c_str(), EntryOf(hosts, i));
  }
  Print("dialog.selected", std::to_string(SendMessageA(hosts, CB_GETCURSEL, 0, 0)));
}

struct Search {
  std::string title;
  int found = 0;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char class_name[16] = {};
  GetClassNameA(window, class_name, sizeof class_name);
  if (std::string(class_name) != "#32770" || !IsWindowVisible(window) || TextOf(window) != search->title) return TRUE;
  ++search->found;
  if (const HWND hosts = GetDlgItem(window, kIdHostList)) PrintDialog(window, hosts);
  else if (const HWND text = GetDlgItem(window, kIdMessageText)) Print("messagebox.text", TextOf(text));
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: read_dialog TITLE\n");
    return 2;
  }
  Search search{argv[1]};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found > 0 ? 0 : 1;
}
