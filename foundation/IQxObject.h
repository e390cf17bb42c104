// IQxObject: the root interface of the foundation library. Its two fields are filled by the
// most-derived class's constructor: the complete object's address and its class name.
#pragma once

#include "foundation/QxExport.h"

class QX_EXPORT IQxObject {
 public:
  virtual ~IQxObject() = default;

  void* object = nullptr;            // the complete object
  const char* className = nullptr;   // a constant text, e.g. "YlRegistry"

 protected:
  // Made and copied only as part of the object it describes.
  IQxObject() = default;
  IQxObject(const IQxObject&) = default;
  IQxObject& operator=(const IQxObject&) = default;
};
