// quillet-probe.exe: what a test driving the real windows under Wine needs to
// know of them, asked the way another program may ask (window texts, list
// items, the focus, the progress bar's position), so that the test waits for
// a state instead of sleeping; and what an installer left (a shortcut, the
// user's folders). It runs in the same Wine session as the windows it looks
// at. Each command prints its answer and exits 0; a state that has not come
// after a while, or a shortcut that cannot be read, exits 1, a wrong
// command 64.
//
//   window CLASS          waits for a shown top-level window of CLASS: its handle
//   gone HANDLE           waits until that window is hidden or destroyed
//   box                   waits for a shown message box: its handle, then one line
//                         each: its caption, its text, its buttons, icon or none
//   text HANDLE ID        the text of the child with ID (0: of the window itself)
//   wait-text HANDLE ID TEXT   waits until that text is TEXT
//   focus HANDLE          the ID of the child of HANDLE that has the focus
//   items HANDLE ID       a list's or drop-down list's items, "> " before the selected
//   progress HANDLE ID    "shown" or "hidden", the position and the maximum
//   shown HANDLE ID       "shown" or "hidden"
//   page HANDLE TEXT      waits until a shown control anywhere in the window
//                         reads TEXT (an installer's page by its title)
//   click HANDLE ID       presses the button with ID, as a click does
//   time-box HANDLE ID    presses the button with ID (of a window, or of a box:
//                         1 is its OK) and waits for the next message box: the
//                         seconds between, then that box's text
//   shortcut LINK         a shortcut's target, then its working folder
//   folder NAME           a folder of the user's: documents, programs (the
//                         Start menu's), common-programs (everyone's),
//                         local-appdata
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "files/wide_text.h"

namespace {

using quillet::Utf8Of;

constexpr auto kPatience = std::chrono::seconds(20);
constexpr auto kPollEvery = std::chrono::milliseconds(20);
// Waiting for a box that is being timed: often enough that the figure is
// at most this much late, seldom enough not to slow the program it times
// (polling every millisecond made a pass under Wine a third slower on a
// busy 2-core machine).
constexpr auto kTimedPollEvery = std::chrono::milliseconds(5);
constexpr int kTimedOut = 1;
constexpr int kUnreadable = 1;
constexpr int kUsage = 64;

void Print(const std::string& line) {
  const std::string bytes = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()),
            &written, nullptr);
}

// Polls `ready` until it holds; false when it did not in time.
bool WaitFor(const std::function<bool()>& ready,
             std::chrono::steady_clock::duration every = kPollEvery) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(every);
  }
  return true;
}

HWND HandleOf(const char* text) {
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 10)));
}

std::string HandleText(HWND window) {
  return std::to_string(reinterpret_cast<std::uintptr_t>(window));
}

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  const int length = GetClassNameW(window, name, 256);
  return Utf8Of(std::wstring(name, static_cast<std::size_t>(length)));
}

std::string TextOf(HWND window) {
  // WM_GETTEXT, unlike GetWindowText, reaches another process's controls.
  const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                      reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(copied));
  return Utf8Of(text);
}

HWND Child(HWND window, int id) {
  return id == 0 ? window : GetDlgItem(window, id);
}

struct Search {
  std::string class_name;
  HWND found = nullptr;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  if (IsWindowVisible(window) && ClassOf(window) == search.class_name) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindShown(const std::string& class_name) {
  Search search{class_name};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// A shown message box. Asked by class, one window at a time: far fewer
// questions to the window server than a walk over every window, which
// matters while a box is being timed.
HWND FindBox() {
  HWND box = nullptr;
  while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
    if (IsWindowVisible(box)) return box;
  }
  return nullptr;
}

// A box's buttons in their order, by their texts without the "&".
std::string ButtonsOf(HWND box) {
  std::string buttons;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) != "Button" || !IsWindowVisible(child)) continue;
    std::string text = TextOf(child);
    std::erase(text, '&');
    buttons += (buttons.empty() ? "" : ",") + text;
  }
  return buttons;
}

bool HasIcon(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == "Static" && IsWindowVisible(child) &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      return true;
    }
  }
  return false;
}

// The message text of a box: its static control that is no icon.
std::string BoxText(HWND box) {
  constexpr int kMessageTextId = 0xFFFF;
  return TextOf(GetDlgItem(box, kMessageTextId));
}

int FocusedId(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ||
      info.hwndFocus == nullptr) {
    return 0;
  }
  return GetDlgCtrlID(info.hwndFocus);
}

std::vector<std::string> ItemsOf(HWND list) {
  const bool combo = ClassOf(list) == "ComboBox";
  const UINT count_message = combo ? CB_GETCOUNT : LB_GETCOUNT;
  const UINT length_message = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
  const UINT text_message = combo ? CB_GETLBTEXT : LB_GETTEXT;
  const LRESULT selected = SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
  const LRESULT count = SendMessageW(list, count_message, 0, 0);
  std::vector<std::string> items;
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, length_message, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    items.push_back((i == selected ? "> " : "  ") + Utf8Of(text));
  }
  return items;
}

// A shortcut's target and working folder, read through the shell's own
// object as Explorer reads them; false when it cannot be loaded.
bool ReadShortcut(const std::wstring& link, std::string& target, std::string& folder) {
  if (FAILED(CoInitialize(nullptr))) return false;
  IShellLinkW* shortcut = nullptr;
  IPersistFile* file = nullptr;
  bool read = false;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&shortcut))) &&
      SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(link.c_str(), STGM_READ))) {
    wchar_t text[MAX_PATH] = {};
    read = SUCCEEDED(shortcut->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH));
    target = Utf8Of(text);
    text[0] = L'\0';
    read = read && SUCCEEDED(shortcut->GetWorkingDirectory(text, MAX_PATH));
    folder = Utf8Of(text);
  }
  if (file != nullptr) file->Release();
  if (shortcut != nullptr) shortcut->Release();
  CoUninitialize();
  return read;
}

std::string KnownFolder(int id) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) return "";
  return Utf8Of(path);
}

// Whether a shown control anywhere inside `window` reads `text`.
bool ShowsText(HWND window, const std::string& text) {
  struct Search {
    const std::string& text;
    bool found = false;
  } search{text};
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(context);
        search.found = IsWindowVisible(child) && TextOf(child) == search.text;
        return !search.found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int Run(const std::vector<std::string>& args) {
  const auto arg = [&](std::size_t i) { return args[i].c_str(); };
  const std::string& command = args.empty() ? std::string() : args[0];
  if (command == "window" && args.size() == 2) {
    HWND found = nullptr;
    if (!WaitFor([&] { return (found = FindShown(args[1])) != nullptr; })) return kTimedOut;
    Print(HandleText(found));
    return 0;
  }
  if (command == "gone" && args.size() == 2) {
    const HWND window = HandleOf(arg(1));
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }) ? 0 : kTimedOut;
  }
  if (command == "box" && args.size() == 1) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = FindBox()) != nullptr; })) return kTimedOut;
    Print(HandleText(box));
    Print(TextOf(box));
    Print(BoxText(box));
    Print(ButtonsOf(box));
    Print(HasIcon(box) ? "icon" : "none");
    return 0;
  }
  if (command == "text" && args.size() == 3) {
    Print(TextOf(Child(HandleOf(arg(1)), std::atoi(arg(2)))));
    return 0;
  }
  if (command == "wait-text" && args.size() == 4) {
    const HWND control = Child(HandleOf(arg(1)), std::atoi(arg(2)));
    std::string last;
    if (WaitFor([&] { return (last = TextOf(control)) == args[3]; })) return 0;
    Print(last);
    return kTimedOut;
  }
  if (command == "focus" && args.size() == 2) {
    Print(std::to_string(FocusedId(HandleOf(arg(1)))));
    return 0;
  }
  if (command == "items" && args.size() == 3) {
    for (const std::string& item : ItemsOf(Child(HandleOf(arg(1)), std::atoi(arg(2))))) Print(item);
    return 0;
  }
  if ((command == "progress" || command == "shown") && args.size() == 3) {
    const HWND control = Child(HandleOf(arg(1)), std::atoi(arg(2)));
    std::string state = IsWindowVisible(control) ? "shown" : "hidden";
    if (command == "progress") {
      state += " " + std::to_string(SendMessageW(control, PBM_GETPOS, 0, 0)) + " " +
               std::to_string(SendMessageW(control, PBM_GETRANGE, FALSE, 0));
    }
    Print(state);
    return 0;
  }
  if (command == "page" && args.size() == 3) {
    const HWND window = HandleOf(arg(1));
    return WaitFor([&] { return ShowsText(window, args[2]); }) ? 0 : kTimedOut;
  }
  if (command == "click" && args.size() == 3) {
    // Posted, so that a program busy with what the click starts does not
    // hold the probe.
    return PostMessageW(Child(HandleOf(arg(1)), std::atoi(arg(2))), BM_CLICK, 0, 0) ? 0 : kTimedOut;
  }
  if (command == "time-box" && args.size() == 3) {
    // The box pressed is not the next one, whether it has gone yet or not.
    const HWND window = HandleOf(arg(1));
    const HWND button = Child(window, std::atoi(arg(2)));
    // Asked once before the clock starts: what the first question sets up
    // in this process (its link to the display) is not the program's time.
    FindBox();
    const auto pressed = std::chrono::steady_clock::now();
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return kTimedOut;
    HWND box = nullptr;
    const auto next = [&] {
      box = FindBox();
      return box != nullptr && box != window;
    };
    if (!WaitFor(next, kTimedPollEvery)) return kTimedOut;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - pressed;
    Print(std::to_string(seconds.count()));
    Print(BoxText(box));
    return 0;
  }
  if (command == "shortcut" && args.size() == 2) {
    std::string target, folder;
    if (!ReadShortcut(quillet::Wide(args[1]), target, folder)) return kUnreadable;
    Print(target);
    Print(folder);
    return 0;
  }
  if (command == "folder" && args.size() == 2) {
    for (const auto& [name, id] :
         {std::pair{"documents", CSIDL_PERSONAL}, std::pair{"programs", CSIDL_PROGRAMS},
          std::pair{"common-programs", CSIDL_COMMON_PROGRAMS},
          std::pair{"local-appdata", CSIDL_LOCAL_APPDATA}}) {
      if (args[1] != name) continue;
      Print(KnownFolder(id));
      return 0;
    }
  }
  Print(
      "usage: quillet-probe window CLASS | gone HANDLE | box | text HANDLE ID | "
      "wait-text HANDLE ID TEXT | focus HANDLE | items HANDLE ID | progress HANDLE ID | "
      "shown HANDLE ID | page HANDLE TEXT | click HANDLE ID | time-box HANDLE ID | "
      "shortcut LINK | "
      "folder documents|programs|common-programs|local-appdata");
  return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8Of(argv[i]));
  return Run(args);
}
