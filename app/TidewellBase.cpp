// CTidewellBase: filling the host list and the version check.
#include "app/TidewellBase.h"

#include <cstdio>

#include "products/HostVersion.h"

std::string CTidewellBase::EntryText(const Product& product) {
  const char* name = product.displayName != nullptr ? product.displayName : "";
  const int length = std::snprintf(nullptr, 0, "%s %d", name, product.number);
  if (length <= 0) return {};
  std::string entry(static_cast<std::size_t>(length), '\0');
  std::snprintf(entry.data(), entry.size() + 1, "%s %d", name, product.number);
  return entry;
}

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
