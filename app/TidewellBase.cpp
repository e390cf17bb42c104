// CTidewellBase: filling the host list and the version check.
#include "app/TidewellBase.h"

#include "products/HostVersion.h"

void CTidewellBase::FillProductList() {
  for (const Product& product : m_installedProducts) AddProduct(&product);
}

bool CTidewellBase::CheckHostVersion(const Product* product) {
  if (product == nullptr) return false;
  ReadHostVersion(product->installFolder);
  if (CompareHostVersion(kMinimumHostVersion) < 0) {
    const std::string text = GetLocalizedString("LUMORA_VELTARO_UPDATE_VERSION");
    const std::string caption = GetLocalizedString("LUMORA_TITLE");
    (void)ShowMessageBox(text.c_str(), caption.c_str(), kMessageWarning);
    return false;
  }
  return true;
}
