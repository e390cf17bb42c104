// CTidewellBase: the dialog-independent half of the main dialog. It owns the list of
// installed host products and carries out the two prerequisite checks (a host is installed;
// the chosen host is recent enough), and reaches the screen only through four operations
// that the dialog implements.
#pragma once

#include <string>

#include "products/InstalledProducts.h"

class CTidewellBase {
 public:
  // The oldest host version the plug-in works with.
  static constexpr const char* kMinimumHostVersion = "3.20.4.0";
  // Message-box styles: an OK button alone, or with the exclamation icon.
  static constexpr unsigned kMessagePlain = 0;
  static constexpr unsigned kMessageWarning = 0x30;

  // Discovers the installed hosts (the list stays as found until destruction).
  CTidewellBase() = default;
  virtual ~CTidewellBase() = default;
  CTidewellBase(const CTidewellBase&) = delete;
  CTidewellBase& operator=(const CTidewellBase&) = delete;

  // Refreshes the confirmation button and the status line from the host list on screen.
  virtual void UpdateControls() = 0;
  // Shows a modal message box owned by the dialog; returns the button pressed.
  virtual int ShowMessageBox(const char* text, const char* caption, unsigned flags) = 0;
  // The display text of a translation key.
  virtual std::string GetLocalizedString(const char* key) = 0;
  // Appends a host to the list on screen; the entry borrows `product`, which this object
  // owns for its whole life.
  virtual void AddProduct(const Product* product) = 0;

  // The host list's text of a product: its display name, one blank and its number ("%s %d";
  // a missing name counts as empty).
  [[nodiscard]] static std::string EntryText(const Product& product);

  // Lists every installed host on screen, in list order.
  void FillProductList();

  // Reads the chosen host's version from its installation folder now and compares it with
  // kMinimumHostVersion. Older or unreadable: the update message (exclamation icon), false.
  // A null product: false, without a message.
  bool CheckHostVersion(const Product* product);

 protected:
  YlInstalledProducts m_installedProducts;
};
