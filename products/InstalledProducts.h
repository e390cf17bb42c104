// The installed Veltaro host products: discovery of the six products of the family's table,
// in a fixed order, from the machine's registry and each product's settings file, with one
// record per distinct installation.
//
//   YlInstalledProducts hosts;                      // discovery runs here
//   for (const Product& p : hosts) printf("%s %d\n", (const char*)p.displayName, p.number);
//
// Discovery never fails loudly: a product whose entries or files are missing is not listed,
// and an empty list means no host is installed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/QxString.h"
#include "products/ProductKind.h"

// One installed host product. The texts are copies: later version reads do not change them.
struct Product {
  std::uint32_t kind = 0;  // a productkind:: constant, from products/ProductKind.h
  std::int32_t number = 0;  // shown after the name: 4, or 2 for the base product
  QxString displayName;
  QxString keyPath;         // below HKEY_LOCAL_MACHINE, e.g. Software\Orvane\Veltaro Loom\4.0
  QxString settingsFolder;  // holds "Quenta.ini"; ends with the separator
  QxString hostFileVersion;
  QxString productVersion;  // the version form that belongs to `kind`
  QxString installFolder;   // as registered, trailing white space removed; may be empty
};

class YlInstalledProducts {
 public:
  // Probes the six products in table order and lists every installed one.
  YlInstalledProducts();
  ~YlInstalledProducts();
  YlInstalledProducts(const YlInstalledProducts&) = delete;
  YlInstalledProducts& operator=(const YlInstalledProducts&) = delete;

  [[nodiscard]] int GetCount() const { return static_cast<int>(m_products.size()); }

  // The records in list order.
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Product;
    using difference_type = std::ptrdiff_t;
    using pointer = const Product*;
    using reference = const Product&;
    const_iterator() = default;
    explicit const_iterator(std::vector<std::unique_ptr<Product>>::const_iterator it) : it_(it) {}
    reference operator*() const { return **it_; }
    pointer operator->() const { return it_->get(); }
    const_iterator& operator++() {
      ++it_;
      return *this;
    }
    const_iterator operator++(int) {
      const_iterator old = *this;
      ++it_;
      return old;
    }
    friend bool operator==(const const_iterator&, const const_iterator&) = default;

   private:
    std::vector<std::unique_ptr<Product>>::const_iterator it_;
  };
  [[nodiscard]] const_iterator begin() const { return const_iterator(m_products.begin()); }
  [[nodiscard]] const_iterator end() const { return const_iterator(m_products.end()); }

 private:
  void ProbeProduct(const char* displayName);
  bool ReadProductKeys(const char* displayName, const char* company, const char* versionKey, QxString& keyPath,
                       QxString& settingsFolder, QxString& installFolder);
  bool AppendProduct(const char* displayName, const QxString& keyPath, const QxString& settingsFolder,
                     const QxString& installFolder, bool readVersion);

  std::vector<std::unique_ptr<Product>> m_products;
};
