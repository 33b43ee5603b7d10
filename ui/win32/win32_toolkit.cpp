#include "ui/win32/win32_toolkit.h"

#include "platform/win32/windows_header.h"  // before commctrl.h, which needs it

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <utility>
#include <stdexcept>
#include <vector>

#include "platform/win32/text_conversion.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/windows_header.h"
#include "ui/controls/controls.h"
#include "ui/controls/input_box_window.h"
#include "ui/controls/window.h"

namespace tarvonel {
namespace {

constexpr wchar_t kWindowClass[] = L"TarvonelWindow";
constexpr wchar_t kPictureClass[] = L"TarvonelPicture";

// The cluster map: paints the Picture model's columns, stretched to the control's width.
LRESULT CALLBACK PictureProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* picture = reinterpret_cast<Picture*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(hwnd, &paint);
      RECT client{};
      ::GetClientRect(hwnd, &client);
      if (picture != nullptr && picture->Surface().Width() > 0) {
        const ColumnSurface& surface = picture->Surface();
        const int columns = surface.Width();
        HGDIOBJ previous = ::SelectObject(dc, ::GetStockObject(DC_BRUSH));
        for (int x = 0; x < columns; ++x) {
          const uint32_t colour = surface.Column(x) == ColumnSurface::kBlank ? ::GetSysColor(COLOR_WINDOW) : surface.Column(x);
          ::SetDCBrushColor(dc, colour);
          RECT strip{::MulDiv(x, client.right, columns), 0, ::MulDiv(x + 1, client.right, columns), client.bottom};
          ::FillRect(dc, &strip, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        }
        ::SelectObject(dc, previous);
      }
      ::EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_LBUTTONUP:
      if (picture != nullptr) picture->Click();
      return 0;
    default:
      return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
}
constexpr UINT kFirstControlId = 100;
// Mouse messages from a window's notification-area icon arrive as this message.
constexpr UINT kTrayMessage = WM_APP + 1;

UINT MsgBoxFlags(MsgBoxButtons buttons, MsgBoxIcon icon) {
  UINT flags = MB_SETFOREGROUND;
  switch (buttons) {
    case MsgBoxButtons::OK: flags |= MB_OK; break;
    case MsgBoxButtons::OKCancel: flags |= MB_OKCANCEL; break;
    case MsgBoxButtons::AbortRetryIgnore: flags |= MB_ABORTRETRYIGNORE; break;
    case MsgBoxButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
    case MsgBoxButtons::YesNo: flags |= MB_YESNO; break;
    case MsgBoxButtons::RetryCancel: flags |= MB_RETRYCANCEL; break;
  }
  switch (icon) {
    case MsgBoxIcon::None: break;
    case MsgBoxIcon::Critical: flags |= MB_ICONHAND; break;
    case MsgBoxIcon::Question: flags |= MB_ICONQUESTION; break;
    case MsgBoxIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
    case MsgBoxIcon::Information: flags |= MB_ICONASTERISK; break;
  }
  return flags;
}

MsgBoxResult ResultOf(int pressed) {
  switch (pressed) {
    case IDCANCEL: return MsgBoxResult::Cancel;
    case IDABORT: return MsgBoxResult::Abort;
    case IDRETRY: return MsgBoxResult::Retry;
    case IDIGNORE: return MsgBoxResult::Ignore;
    case IDYES: return MsgBoxResult::Yes;
    case IDNO: return MsgBoxResult::No;
    default: return MsgBoxResult::OK;
  }
}

// The drive list's images: a fixed disk, and the computer for the Windows drive.
class DriveImages {
 public:
  static DriveImages Load() {
    DriveImages images;
    images.list_ = ::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                      ILC_COLOR32 | ILC_MASK, 2, 0);
    if (images.list_ == nullptr) return images;
    for (int shellIcon : {8, 15}) {  // shell32.dll: fixed disk, computer
      HICON icon = nullptr;
      ::ExtractIconExW(L"shell32.dll", shellIcon, nullptr, &icon, 1);
      if (icon == nullptr) icon = ::LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
      ::ImageList_AddIcon(images.list_, icon);
      ::DestroyIcon(icon);
    }
    return images;
  }
  DriveImages() = default;
  DriveImages(DriveImages&& other) noexcept : list_(std::exchange(other.list_, nullptr)) {}
  DriveImages& operator=(DriveImages&& other) noexcept {
    std::swap(list_, other.list_);
    return *this;
  }
  ~DriveImages() {
    if (list_ != nullptr) ::ImageList_Destroy(list_);
  }
  bool Valid() const { return list_ != nullptr; }
  HIMAGELIST Get() const { return list_; }

 private:
  HIMAGELIST list_ = nullptr;
};

}  // namespace

class Win32Toolkit::Binding : public ControlObserver, public Window::Observer {
 public:
  Binding(Win32Toolkit& toolkit, Window& window) : toolkit_(toolkit), window_(window) {}
  ~Binding() override {
    for (Control* control : window_.Controls()) control->SetObserver(nullptr);
    window_.SetObserver(nullptr);
    // The messages of the window's destruction must not reach this half-destroyed binding.
    if (hwnd_.Valid()) ::SetWindowLongPtrW(hwnd_.Get(), GWLP_USERDATA, 0);
  }

  void Create() {
    const int dpi = ScreenDpi();
    // The window's menu commands form its menu bar, in the order they were registered.
    bool hasMenu = false;
    for (Control* control : window_.Controls()) hasMenu = hasMenu || control->Kind() == ControlKind::MenuCommand;
    RECT frame{0, 0, ::MulDiv(window_.Width(), dpi, 96), ::MulDiv(window_.Height(), dpi, 96)};
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, hasMenu ? TRUE : FALSE, 0);
    const bool placed = window_.Left() != 0 || window_.Top() != 0;
    hwnd_ = WindowHandle(::CreateWindowExW(0, kWindowClass, Utf8ToWide(window_.Caption()).c_str(),
                                           WS_OVERLAPPEDWINDOW, placed ? ::MulDiv(window_.Left(), dpi, 96) : CW_USEDEFAULT,
                                           placed ? ::MulDiv(window_.Top(), dpi, 96) : CW_USEDEFAULT,
                                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                           ::GetModuleHandleW(nullptr), this));
    if (!hwnd_.Valid()) {
      throw std::runtime_error("cannot create the window " + window_.Name() + " (error " +
                               std::to_string(::GetLastError()) + ")");
    }
    window_.SetObserver(this);
    if (hasMenu) menu_ = ::CreateMenu();
    UINT id = kFirstControlId;
    for (Control* control : window_.Controls()) CreateControl(*control, id++, dpi);
    if (hasMenu) ::SetMenu(hwnd_.Get(), menu_);  // the window destroys it with itself
    hasMenu_ = hasMenu;
    LayOut();
  }

  void AddTrayIcon(const std::string& tip) {
    NOTIFYICONDATAW data = TrayRecord();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = reinterpret_cast<HICON>(::GetClassLongPtrW(hwnd_.Get(), GCLP_HICON));
    const std::wstring text = Utf8ToWide(tip);
    // The tip holds 63 characters and its NUL.
    const size_t length = std::min(text.size(), static_cast<size_t>(63));
    std::copy_n(text.c_str(), length, data.szTip);
    data.szTip[length] = L'\0';
    ::Shell_NotifyIconW(NIM_ADD, &data);
  }

  void RemoveTrayIcon() {
    NOTIFYICONDATAW data = TrayRecord();
    ::Shell_NotifyIconW(NIM_DELETE, &data);
  }

  HWND Handle() const { return hwnd_.Get(); }

  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_CLOSE:
        if (!window_.Form_QueryUnload(UnloadMode::UserClose)) toolkit_.Unload(window_);
        return 0;
      case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
          window_.Form_Minimized();
        } else {
          LayOut();
        }
        return 0;
      case WM_COMMAND:
        // Menu items and button clicks both arrive with notification code 0.
        if (HIWORD(wParam) == BN_CLICKED) ClickControl(LOWORD(wParam));
        if (HIWORD(wParam) == CBN_SELCHANGE) ComboChosen(LOWORD(wParam));
        if (HIWORD(wParam) == EN_CHANGE && !showingText_) TextTyped(LOWORD(wParam));
        return 0;
      case WM_SETCURSOR: {
        // Sent for the window under the mouse, children first asking their parent.
        auto* over = reinterpret_cast<HWND>(wParam);
        Control* control = ControlByHandle(over);
        if (control != nullptr && control->Kind() == ControlKind::Label) {
          auto* label = static_cast<Label*>(control);
          if (label->OnMouseMove) label->OnMouseMove();
          if (label->handPointer) {
            ::SetCursor(::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
            return TRUE;
          }
        } else if (over == hwnd_.Get() && LOWORD(lParam) == HTCLIENT) {
          window_.Form_MouseMove();
        }
        return ::DefWindowProcW(hwnd_.Get(), message, wParam, lParam);
      }
      case kTrayMessage:
        window_.TrayIcon_Callback(static_cast<uint32_t>(LOWORD(lParam)));
        return 0;
      case WM_CTLCOLORSTATIC: {
        const Control* control = ControlByHandle(reinterpret_cast<HWND>(lParam));
        auto dc = reinterpret_cast<HDC>(wParam);
        if (control != nullptr && control->Kind() == ControlKind::Label) {
          const auto* label = static_cast<const Label*>(control);
          ::SetTextColor(dc, label->ForeColor());
          if (label->backColor) {
            ::SetBkColor(dc, *label->backColor);
            ::SetDCBrushColor(dc, *label->backColor);
            return reinterpret_cast<LRESULT>(::GetStockObject(DC_BRUSH));
          }
        }
        ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
      }
      case WM_TIMER:
        if (Control* control = ControlById(static_cast<UINT>(wParam))) static_cast<Timer*>(control)->Tick();
        return 0;
      default:
        return ::DefWindowProcW(hwnd_.Get(), message, wParam, lParam);
    }
  }

  void OnCaptionChanged(Window& window) override {
    ::SetWindowTextW(hwnd_.Get(), Utf8ToWide(window.Caption()).c_str());
  }

  void OnPlacementChanged(Window& window) override {
    const int dpi = ScreenDpi();
    RECT frame{0, 0, ::MulDiv(window.Width(), dpi, 96), ::MulDiv(window.Height(), dpi, 96)};
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, hasMenu_ ? TRUE : FALSE, 0);
    ::SetWindowPos(hwnd_.Get(), nullptr, ::MulDiv(window.Left(), dpi, 96), ::MulDiv(window.Top(), dpi, 96),
                   frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void OnControlChanged(Control& control, ControlChange change) override {
    HWND child = ChildOf(control);
    switch (change) {
      case ControlChange::Caption:
        if (control.Kind() == ControlKind::MenuCommand) {
          const UINT id = IdOf(control);
          ::ModifyMenuW(menu_, id, MF_BYCOMMAND | MF_STRING, id,
                        Utf8ToWide(static_cast<ClickableControl&>(control).Caption()).c_str());
          ::DrawMenuBar(hwnd_.Get());
        } else {
          ::SetWindowTextW(child, Utf8ToWide(static_cast<ClickableControl&>(control).Caption()).c_str());
        }
        break;
      case ControlChange::Enabled:
        if (control.Kind() == ControlKind::Timer) {
          ScheduleTimer(static_cast<Timer&>(control));
        } else if (control.Kind() == ControlKind::MenuCommand) {
          ::EnableMenuItem(menu_, IdOf(control), MF_BYCOMMAND | (control.Enabled() ? MF_ENABLED : MF_GRAYED));
          ::DrawMenuBar(hwnd_.Get());
        } else {
          ::EnableWindow(child, control.Enabled());
        }
        break;
      case ControlChange::Picture:
        ::RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        break;
      case ControlChange::Items:
        if (control.Kind() == ControlKind::ImageCombo) {
          ShowComboItems(static_cast<ImageCombo&>(control), child);
        } else {
          ShowItems(static_cast<ListView&>(control), child);
        }
        break;
      case ControlChange::Interval: ScheduleTimer(static_cast<Timer&>(control)); break;
      case ControlChange::Visible: ::ShowWindow(child, control.Visible() ? SW_SHOW : SW_HIDE); break;
      case ControlChange::Value:
      case ControlChange::Range: ShowValue(control, child); break;
      case ControlChange::Text:
        showingText_ = true;
        ::SetWindowTextW(child, Utf8ToWide(static_cast<TextBox&>(control).Text()).c_str());
        showingText_ = false;
        break;
      case ControlChange::TextAppended: {
        // Replacing the empty selection at the end adds the piece without resending the text.
        const LRESULT end = ::GetWindowTextLengthW(child);
        ::SendMessageW(child, EM_SETSEL, static_cast<WPARAM>(end), end);
        const std::wstring piece = Utf8ToWide(static_cast<TextBox&>(control).LastAppended());
        ::SendMessageW(child, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
        break;
      }
      case ControlChange::ScrolledToEnd: ::SendMessageW(child, WM_VSCROLL, SB_BOTTOM, 0); break;
    }
  }

 private:
  static int ScreenDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
  }

  void CreateControl(Control& control, UINT id, int dpi) {
    const wchar_t* className = nullptr;
    DWORD style = WS_CHILD | (control.Visible() ? WS_VISIBLE : 0) | (control.Enabled() ? 0 : WS_DISABLED);
    std::wstring text;
    if (auto* clickable = dynamic_cast<ClickableControl*>(&control)) text = Utf8ToWide(clickable->Caption());
    switch (control.Kind()) {
      case ControlKind::Label:
        className = L"STATIC";
        style |= SS_NOTIFY;
        break;
      case ControlKind::Button:
        className = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
      case ControlKind::Frame:
        className = L"BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::CheckBox:
        className = L"BUTTON";
        style |= BS_CHECKBOX | WS_TABSTOP;  // the model toggles; the binding only shows it
        break;
      case ControlKind::OptionButton:
        className = L"BUTTON";
        style |= BS_RADIOBUTTON | WS_TABSTOP;
        break;
      case ControlKind::ProgressBar: className = PROGRESS_CLASSW; break;
      case ControlKind::TextBox: {
        auto& box = static_cast<TextBox&>(control);
        className = L"EDIT";
        text = Utf8ToWide(box.Text());
        style |= WS_TABSTOP | ES_AUTOHSCROLL | (box.editable ? 0 : ES_READONLY);
        if (box.multiLine) style |= ES_MULTILINE | ES_AUTOVSCROLL;
        if (box.verticalScrollBar) style |= WS_VSCROLL;
        break;
      }
      case ControlKind::Timer:
        controls_.push_back({&control, nullptr, id});
        control.SetObserver(this);
        ScheduleTimer(static_cast<Timer&>(control));
        return;
      case ControlKind::MenuCommand:
        ::AppendMenuW(menu_, MF_STRING | (control.Enabled() ? 0 : MF_GRAYED), id,
                      Utf8ToWide(static_cast<MenuCommand&>(control).Caption()).c_str());
        controls_.push_back({&control, nullptr, id});
        control.SetObserver(this);
        return;
      case ControlKind::Picture:
        className = kPictureClass;
        text.clear();
        break;
      case ControlKind::ImageCombo:
        className = WC_COMBOBOXEXW;
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        break;
      case ControlKind::ListView:
        className = WC_LISTVIEWW;
        style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP;
        break;
    }
    const ControlPlacement& at = control.Placement();
    // A drop-down list's height includes its open list.
    const int height = control.Kind() == ControlKind::ImageCombo ? at.height * 8 : at.height;
    HWND child = ::CreateWindowExW(control.Kind() == ControlKind::TextBox ? WS_EX_CLIENTEDGE : 0, className,
                                   text.c_str(), style, ::MulDiv(at.left, dpi, 96), ::MulDiv(at.top, dpi, 96),
                                   ::MulDiv(at.width, dpi, 96), ::MulDiv(height, dpi, 96), hwnd_.Get(),
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleW(nullptr),
                                   nullptr);
    if (child == nullptr) throw std::runtime_error("cannot create the control " + control.Name());
    if (control.Kind() == ControlKind::Picture) {
      ::SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&static_cast<Picture&>(control)));
    }
    if (control.Kind() == ControlKind::ListView) {
      LVCOLUMNW column{};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      const std::wstring heading = Utf8ToWide(static_cast<ListView&>(control).ColumnHeading());
      column.pszText = const_cast<wchar_t*>(heading.c_str());
      column.cx = ::MulDiv(at.width - 24, dpi, 96);
      ::SendMessageW(child, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    }
    ApplyFont(control, child, dpi);
    if (control.Kind() == ControlKind::TextBox) {
      ::SendMessageW(child, EM_SETLIMITTEXT, 0, 0);  // 0: as large as the system allows
    }
    controls_.push_back({&control, child, id});
    control.SetObserver(this);
    if (control.Kind() == ControlKind::ImageCombo) {
      if (!driveImages_.Valid()) driveImages_ = DriveImages::Load();
      if (driveImages_.Valid()) ::SendMessageW(child, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(driveImages_.Get()));
      ShowComboItems(static_cast<ImageCombo&>(control), child);
    }
    AddToolTip(control, child);
    // Items the model gained before its window existed.
    if (control.Kind() == ControlKind::ListView) ShowItems(static_cast<ListView&>(control), child);
    ShowValue(control, child);
  }

  // Image 1 of the model is the first of the image list, image 2 the second.
  static void ShowComboItems(const ImageCombo& combo, HWND child) {
    ::SendMessageW(child, CB_RESETCONTENT, 0, 0);
    int index = 0;
    for (const ImageCombo::Item& item : combo.Items()) {
      std::wstring text = Utf8ToWide(item.text);
      COMBOBOXEXITEMW entry{};
      entry.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
      entry.iItem = index++;
      entry.pszText = text.data();
      entry.iImage = entry.iSelectedImage = item.image > 0 ? item.image - 1 : 0;
      ::SendMessageW(child, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&entry));
    }
    ::SendMessageW(child, CB_SETCURSEL, static_cast<WPARAM>(combo.SelectedIndex()), 0);
  }

  void ComboChosen(UINT id) {
    Control* control = ControlById(id);
    if (control == nullptr || control->Kind() != ControlKind::ImageCombo) return;
    const auto index = static_cast<int>(::SendMessageW(ChildOf(*control), CB_GETCURSEL, 0, 0));
    static_cast<ImageCombo*>(control)->UserSelect(index);
  }

  void TextTyped(UINT id) {
    Control* control = ControlById(id);
    if (control == nullptr || control->Kind() != ControlKind::TextBox) return;
    HWND child = ChildOf(*control);
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(child)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
    static_cast<TextBox*>(control)->UserEdit(WideToUtf8(text));
  }

  // The system's message font (Segoe UI on current Windows), as dialog boxes use it.
  HFONT MessageFont() {
    if (!messageFont_.Valid()) {
      NONCLIENTMETRICSW metrics{};
      metrics.cbSize = sizeof metrics;
      BOOL found = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
      if (!found) {  // Windows XP knows the record without its last field
        metrics.cbSize = sizeof metrics - sizeof metrics.iPaddedBorderWidth;
        found = ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
      }
      if (found) messageFont_ = GdiObject(::CreateFontIndirectW(&metrics.lfMessageFont));
    }
    return messageFont_.Valid() ? static_cast<HFONT>(messageFont_.Get())
                                : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  }

  // Shows the control's tooltip when it has one.
  void AddToolTip(const Control& control, HWND child) {
    const auto* clickable = dynamic_cast<const ClickableControl*>(&control);
    if (clickable == nullptr || clickable->toolTip.empty()) return;
    if (toolTips_ == nullptr) {
      toolTips_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_.Get(), nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);  // destroyed with its owner
      if (toolTips_ == nullptr) return;
    }
    std::wstring text = Utf8ToWide(clickable->toolTip);
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_.Get();
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = text.data();
    ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }

  void ApplyFont(Control& control, HWND child, int dpi) {
    HFONT font = MessageFont();
    if (control.Kind() == ControlKind::TextBox && !static_cast<TextBox&>(control).fontName.empty()) {
      if (!font_.Valid()) {
        font_ = GdiObject(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH,
                              Utf8ToWide(static_cast<TextBox&>(control).fontName).c_str()));
      }
      if (font_.Valid()) font = static_cast<HFONT>(font_.Get());
    }
    if (control.Kind() == ControlKind::Label && static_cast<Label&>(control).symbolFont) {
      if (!symbolFont_.Valid()) {
        symbolFont_ = GdiObject(::CreateFontW(-::MulDiv(10, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                              SYMBOL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                              DEFAULT_QUALITY, DEFAULT_PITCH, L"Wingdings"));
      }
      if (symbolFont_.Valid()) font = static_cast<HFONT>(symbolFont_.Get());
    }
    ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }

  // Adds the one new item when the list grew by one; otherwise shows the list afresh.
  static void ShowItems(const ListView& list, HWND child) {
    const auto shown = static_cast<size_t>(::SendMessageW(child, LVM_GETITEMCOUNT, 0, 0));
    size_t from = shown;
    if (list.Items().size() != shown + 1) {
      ::SendMessageW(child, LVM_DELETEALLITEMS, 0, 0);
      from = 0;
    }
    for (size_t i = from; i < list.Items().size(); ++i) {
      const std::wstring text = Utf8ToWide(list.Items()[i]);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<wchar_t*>(text.c_str());
      ::SendMessageW(child, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
  }

  void ShowValue(Control& control, HWND child) {
    switch (control.Kind()) {
      case ControlKind::CheckBox:
      case ControlKind::OptionButton: {
        const bool checked = control.Kind() == ControlKind::CheckBox ? static_cast<CheckBox&>(control).Value()
                                                                     : static_cast<OptionButton&>(control).Value();
        ::SendMessageW(child, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
      }
      case ControlKind::ImageCombo:
        ::SendMessageW(child, CB_SETCURSEL, static_cast<WPARAM>(static_cast<ImageCombo&>(control).SelectedIndex()), 0);
        break;
      case ControlKind::ProgressBar: {
        auto& bar = static_cast<ProgressBar&>(control);
        ::SendMessageW(child, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), bar.Max());
        ::SendMessageW(child, PBM_SETPOS, static_cast<WPARAM>(bar.Value()), 0);
        break;
      }
      default: break;
    }
  }

  void ScheduleTimer(Timer& timer) {
    UINT id = IdOf(timer);
    if (timer.Enabled() && timer.Interval() > 0) {
      ::SetTimer(hwnd_.Get(), id, timer.Interval(), nullptr);
    } else {
      ::KillTimer(hwnd_.Get(), id);
    }
  }

  void ClickControl(UINT id) {
    Control* control = ControlById(id);
    if (control == nullptr) return;
    switch (control->Kind()) {
      case ControlKind::CheckBox: static_cast<CheckBox*>(control)->UserToggle(); break;
      case ControlKind::OptionButton: static_cast<OptionButton*>(control)->UserSelect(); break;
      case ControlKind::Button:
      case ControlKind::MenuCommand:
      case ControlKind::Label: static_cast<ClickableControl*>(control)->Click(); break;
      default: break;
    }
  }

  void LayOut() {
    RECT client{};
    ::GetClientRect(hwnd_.Get(), &client);
    for (const BoundControl& bound : controls_) {
      if (bound.hwnd != nullptr && bound.control->Placement().fillsWindow) {
        ::MoveWindow(bound.hwnd, 0, 0, client.right, client.bottom, TRUE);
      }
    }
  }

  struct BoundControl {
    Control* control;
    HWND hwnd;  // none for a timer
    UINT id;
  };

  HWND ChildOf(const Control& control) const {
    for (const BoundControl& bound : controls_) {
      if (bound.control == &control) return bound.hwnd;
    }
    return nullptr;
  }
  UINT IdOf(const Control& control) const {
    for (const BoundControl& bound : controls_) {
      if (bound.control == &control) return bound.id;
    }
    return 0;
  }
  Control* ControlByHandle(HWND hwnd) const {
    for (const BoundControl& bound : controls_) {
      if (bound.hwnd == hwnd) return bound.control;
    }
    return nullptr;
  }
  Control* ControlById(UINT id) const {
    for (const BoundControl& bound : controls_) {
      if (bound.id == id) return bound.control;
    }
    return nullptr;
  }

  NOTIFYICONDATAW TrayRecord() const {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V1_SIZE;  // the layout every Windows since 2000 accepts
    data.hWnd = hwnd_.Get();
    data.uID = 1;
    return data;
  }

  Win32Toolkit& toolkit_;
  Window& window_;
  bool hasMenu_ = false;
  bool showingText_ = false;  // the text shown came from the model, not from typing
  GdiObject font_;        // deleted after the window that uses it is gone
  GdiObject symbolFont_;
  GdiObject messageFont_;
  DriveImages driveImages_;  // the drive list's two images, destroyed after the window
  HWND toolTips_ = nullptr;  // owned by the window
  WindowHandle hwnd_;
  HMENU menu_ = nullptr;  // owned by the window once set
  std::vector<BoundControl> controls_;
};

namespace {

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* binding = reinterpret_cast<Win32Toolkit::Binding*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Messages before WM_NCCREATE and after the binding let go are the system's own business.
  if (binding == nullptr || binding->Handle() != hwnd) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  return binding->OnMessage(message, wParam, lParam);
}

}  // namespace

Win32Toolkit::Win32Toolkit() {
  // The common controls the bindings create: drop-down with images, list view, progress, tooltips.
  INITCOMMONCONTROLSEX classes{sizeof classes,
                               ICC_USEREX_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&classes);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hIcon = ::LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  ::RegisterClassExW(&windowClass);
  WNDCLASSEXW pictureClass{};
  pictureClass.cbSize = sizeof pictureClass;
  pictureClass.lpfnWndProc = PictureProcedure;
  pictureClass.hInstance = windowClass.hInstance;
  pictureClass.hCursor = windowClass.hCursor;
  pictureClass.lpszClassName = kPictureClass;
  ::RegisterClassExW(&pictureClass);
}

Win32Toolkit::~Win32Toolkit() {
  for (auto& [window, binding] : bindings_) {
    window->MarkVisible(false);
    window->MarkLoaded(false);
  }
  bindings_.clear();
}

void Win32Toolkit::DoEvents() {
  if (ended_) return;
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the outer loop
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

MsgBoxResult Win32Toolkit::MsgBox(const std::string& prompt, MsgBoxButtons buttons, MsgBoxIcon icon,
                                  const std::string& title, MsgBoxDefault defaultButton) {
  HWND owner = ::GetActiveWindow();
  const UINT flags = MsgBoxFlags(buttons, icon) | (defaultButton == MsgBoxDefault::Second ? MB_DEFBUTTON2 : 0);
  return ResultOf(::MessageBoxW(owner, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(), flags));
}

void Win32Toolkit::Load(Window& window) {
  if (window.Loaded()) return;
  auto binding = std::make_unique<Binding>(*this, window);
  binding->Create();
  bindings_[&window] = std::move(binding);
  window.MarkLoaded(true);
}

void Win32Toolkit::Show(Window& window) {
  Load(window);
  HWND hwnd = bindings_.at(&window)->Handle();
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  ::UpdateWindow(hwnd);
  window.MarkVisible(true);
}

void Win32Toolkit::ShowModal(Window& window) {
  // The other windows take no input while the modal one is up, as with a dialog box.
  std::vector<HWND> disabled;
  for (auto& [other, binding] : bindings_) {
    if (other != &window && ::IsWindowEnabled(binding->Handle())) {
      ::EnableWindow(binding->Handle(), FALSE);
      disabled.push_back(binding->Handle());
    }
  }
  Show(window);
  MSG message;
  while (window.Visible() && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  for (HWND hwnd : disabled) ::EnableWindow(hwnd, TRUE);
  Hide(window);
}

void Win32Toolkit::Hide(Window& window) {
  auto found = bindings_.find(&window);
  if (found == bindings_.end()) return;
  ::ShowWindow(found->second->Handle(), SW_HIDE);
  window.MarkVisible(false);
}

void Win32Toolkit::Unload(Window& window) {
  auto found = bindings_.find(&window);
  if (found == bindings_.end()) return;
  window.MarkVisible(false);
  window.MarkLoaded(false);
  bindings_.erase(found);
}

std::string Win32Toolkit::InputBox(const std::string& prompt, const std::string& title,
                                   const std::string& defaultText) {
  InputBoxWindow box(*this, prompt, title, defaultText);
  box.Move(ScreenWidth() / 2 - box.Width() / 2, ScreenHeight() / 3);
  ShowModal(box);
  Unload(box);
  return box.Result();
}

void Win32Toolkit::AddTrayIcon(Window& owner, const std::string& tip) {
  Load(owner);
  bindings_.at(&owner)->AddTrayIcon(tip);
}

void Win32Toolkit::RemoveTrayIcon(Window& owner) {
  auto found = bindings_.find(&owner);
  if (found != bindings_.end()) found->second->RemoveTrayIcon();
}

namespace {
int ScreenDpiOf() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}
}  // namespace

int Win32Toolkit::ScreenWidth() { return ::MulDiv(::GetSystemMetrics(SM_CXSCREEN), 96, ScreenDpiOf()); }

int Win32Toolkit::ScreenHeight() { return ::MulDiv(::GetSystemMetrics(SM_CYSCREEN), 96, ScreenDpiOf()); }

namespace {
// Pixels to 96-dpi units, rounded inward so that the way back never passes the edge.
int FloorDivide(long long value, int divisor) {
  return static_cast<int>(value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor));
}
int ToUnitsDown(int pixels, int dpi) { return FloorDivide(static_cast<long long>(pixels) * 96, dpi); }
int ToUnitsUp(int pixels, int dpi) { return -FloorDivide(-static_cast<long long>(pixels) * 96, dpi); }
}  // namespace

ScreenRect Win32Toolkit::WorkArea(const Window& window, const ScreenRect& wanted) {
  const int dpi = ScreenDpiOf();
  RECT target{::MulDiv(wanted.left, dpi, 96), ::MulDiv(wanted.top, dpi, 96),
              ::MulDiv(wanted.left + wanted.width, dpi, 96), ::MulDiv(wanted.top + wanted.height, dpi, 96)};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  RECT work{};
  if (::GetMonitorInfoW(::MonitorFromRect(&target, MONITOR_DEFAULTTONEAREST), &monitor)) {
    work = monitor.rcWork;
  } else if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
    work = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  }
  // The model places the frame's corner but sizes the client area: the frame adds the rest.
  bool hasMenu = false;
  for (const Control* control : window.Controls()) hasMenu = hasMenu || control->Kind() == ControlKind::MenuCommand;
  RECT frame{0, 0, ::MulDiv(wanted.width, dpi, 96), ::MulDiv(wanted.height, dpi, 96)};
  ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, hasMenu ? TRUE : FALSE, 0);
  const int extraWidth = frame.right - frame.left - ::MulDiv(wanted.width, dpi, 96);
  const int extraHeight = frame.bottom - frame.top - ::MulDiv(wanted.height, dpi, 96);
  const int left = ToUnitsUp(work.left, dpi);
  const int top = ToUnitsUp(work.top, dpi);
  return {left, top, ToUnitsDown(work.right - extraWidth, dpi) - left,
          ToUnitsDown(work.bottom - extraHeight, dpi) - top};
}

void Win32Toolkit::EndProgram() {
  ended_ = true;
  ::PostQuitMessage(0);
}

void* Win32Toolkit::NativeHandle(const Window& window) const {
  auto found = bindings_.find(const_cast<Window*>(&window));
  return found == bindings_.end() ? nullptr : found->second->Handle();
}

bool Win32Toolkit::AnyWindowLoaded() const { return !bindings_.empty(); }

void Win32Toolkit::RunMessageLoop() {
  // Every close or unload arrives as a dispatched message, so the check after each one sees it.
  MSG message;
  while (!ended_ && AnyWindowLoaded() && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace tarvonel
