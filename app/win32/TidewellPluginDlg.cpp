// CTidewellPluginDlg on Windows: the host list, the confirmation, the message boxes and the
// minimised icon over the dialog manager's controls.
#include "app/win32/TidewellPluginDlg.h"


#include "app/win32/Win32App.h"

namespace {

HICON LoadIconOfSize(int id, int sizeMetric) {
  const int size = GetSystemMetrics(sizeMetric);
  return static_cast<HICON>(
      LoadImageA(AppResourceHandle(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

}  // namespace

CTidewellPluginDlg::CTidewellPluginDlg(HWND parent)
    : Win32Dialog(kTemplateId, parent),
      m_hIcon(LoadIconOfSize(kIconId, SM_CXICON)),
      m_hSmallIcon(LoadIconOfSize(kIconId, SM_CXSMICON)) {
  m_localizer.SetResourceName("ZEBSTRINGS");
  // A missing table is no error here: every key then shows as itself.
  (void)m_localizer.LoadFromResource(nullptr, 0);
}

CTidewellPluginDlg::~CTidewellPluginDlg() {
  // Icons loaded by LoadImage without LR_SHARED belong to the caller.
  if (m_hSmallIcon != nullptr) DestroyIcon(m_hSmallIcon);
  if (m_hIcon != nullptr) DestroyIcon(m_hIcon);
}

void CTidewellPluginDlg::DoDataExchange() {
  const HWND dialog = GetSafeHwnd();
  m_cancel = GetDlgItem(dialog, IDCANCEL);
  m_ok = GetDlgItem(dialog, IDOK);
  m_hostList = GetDlgItem(dialog, kIdHostList);
  m_status = GetDlgItem(dialog, kIdStatus);
}

bool CTidewellPluginDlg::OnInitDialog() {
  (void)Win32Dialog::OnInitDialog();
  const HWND dialog = GetSafeHwnd();
  SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
  SetWindowTextA(dialog, GetLocalizedString("LUMORA_TITLE").c_str());
  SetWindowTextA(m_status, "");
  SetWindowTextA(m_ok, GetLocalizedString("LUMORA_OK").c_str());
  SetWindowTextA(m_cancel, GetLocalizedString("LUMORA_CANCEL").c_str());
  FillProductList();
  if (HostCount() > 0) SendMessageA(m_hostList, CB_SETCURSEL, 0, 0);
  UpdateControls();
  // The dialog manager gives the focus to the first enabled control with a tab stop: OK, or
  // Cancel while OK is disabled.
  return true;
}

bool CTidewellPluginDlg::OnCommand(int id, int notification) {
  if (id == kIdHostList && notification == CBN_SELCHANGE) {
    OnSelChangeProduct();
    return true;
  }
  return Win32Dialog::OnCommand(id, notification);
}

void CTidewellPluginDlg::OnSelChangeProduct() { UpdateControls(); }

void CTidewellPluginDlg::OnOK() {
  LRESULT index = SendMessageA(m_hostList, CB_GETCURSEL, 0, 0);
  if (index < 0) index = 0;
  if (HostCount() == 0) {
    const std::string text = GetLocalizedString("LUMORA_VELTARO_NOT_INSTALLED");
    const std::string caption = GetLocalizedString("LUMORA_TITLE");
    (void)ShowMessageBox(text.c_str(), caption.c_str(), kMessagePlain);
    Win32Dialog::OnOK();
    return;
  }
  const LRESULT data = SendMessageA(m_hostList, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  // CB_ERR for an entry that does not exist: no record, which the check refuses.
  const auto* product = data == CB_ERR ? nullptr : reinterpret_cast<const Product*>(data);
  if (CheckHostVersion(product)) Win32Dialog::OnOK();
}

bool CTidewellPluginDlg::OnPaint() {
  const HWND dialog = GetSafeHwnd();
  if (!IsIconic(dialog)) return false;
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(dialog, &paint);
  SendMessageA(dialog, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(dialog, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(dialog, &paint);
  return true;
}

HICON CTidewellPluginDlg::OnQueryDragIcon() { return m_hIcon; }

int CTidewellPluginDlg::HostCount() const {
  const LRESULT count = SendMessageA(m_hostList, CB_GETCOUNT, 0, 0);
  return count > 0 ? static_cast<int>(count) : 0;
}

void CTidewellPluginDlg::UpdateControls() {
  if (HostCount() == 0) {
    SetWindowTextA(m_status, GetLocalizedString("LUMORA_VELTARO_NOT_INSTALLED").c_str());
    EnableWindow(m_ok, FALSE);
  } else {
    EnableWindow(m_ok, TRUE);
  }
}

int CTidewellPluginDlg::ShowMessageBox(const char* text, const char* caption, unsigned flags) {
  return MessageBoxA(GetSafeHwnd(), text != nullptr ? text : "", caption != nullptr ? caption : "", flags);
}

std::string CTidewellPluginDlg::GetLocalizedString(const char* key) { return m_localizer.GetString(key, true); }

void CTidewellPluginDlg::AddProduct(const Product* product) {
  if (product == nullptr) return;
  const std::string entry = EntryText(*product);

  const LRESULT index = SendMessageA(m_hostList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  if (index >= 0)
    SendMessageA(m_hostList, CB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(product));
}
