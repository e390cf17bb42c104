// YlIRegistry: the family's settings-store interface. Its 51 operations keep, in this slot
// order, the vtable layout the family's modules rely on; do not reorder, insert or remove.
// Every operation returns a result code: ylresult::kSuccess (0) or a negative failure (see
// settings/YlResult.h for the codes and GetErrorText for their texts).
#pragma once

#include "foundation/IQxObject.h"
#include "foundation/QxString.h"
#include "platform/registry.h"
#include "settings/YlResult.h"

class QX_EXPORT YlIRegistry : public virtual IQxObject {
 public:
  // Identity and result texts.
  virtual int Initialize(const char* company, const char* product, const char* version, const char* shortId,
                         const char* iniFileOrPrefix) = 0;                                              // 0
  virtual int InitializeFromInfo(const char* section, const char* iniFileOrPrefix) = 0;                 // 1
  virtual int GetErrorText(int code, QxString& text) = 0;                                               // 2
  virtual int GetErrorText(int code, char* buffer, int size) = 0;                                       // 3
  virtual int FlushIniFile() = 0;                                                                       // 4

  // Registry entries and numbered lists.
  virtual int GetKeyValue(HKEY root, const char* name, QxString& value) = 0;                            // 5
  virtual int GetKeyValue(HKEY root, const char* name, char* buffer, int size) = 0;                     // 6
  virtual int SetKeyValue(HKEY root, const char* name, const char* value, bool keepExisting) = 0;       // 7
  virtual int GetListEntry(HKEY root, const char* listKey, const char* name, int index, QxString& value) = 0;  // 8
  virtual int GetListEntry(HKEY root, const char* listKey, const char* name, int index, char* buffer,
                           int size) = 0;                                                               // 9
  virtual int AddListEntry(HKEY root, const char* listKey, const char* name, const char* value) = 0;    // 10
  virtual int RemoveListEntry(HKEY root, const char* listKey, const char* name, const char* value) = 0; // 11
  virtual int SetIniFilePath(const char* directory) = 0;                                                // 12
  virtual int HasIniFilePath(int& exists) = 0;                                                          // 13
  virtual int DeleteAllKeys() = 0;                                                                      // 14

  // Per-user typed values.
  virtual int SetUserBoolValue(const char* section, const char* key, bool value) = 0;                   // 15
  virtual int SetUserDoubleValue(const char* section, const char* key, double value) = 0;               // 16
  virtual int SetUserIntValue(const char* section, const char* key, int value) = 0;                     // 17
  virtual int SetUserStringValue(const char* section, const char* key, const char* value) = 0;          // 18
  virtual int GetUserBoolValue(const char* section, const char* key, bool defaultValue, bool& value) = 0;        // 19
  virtual int GetUserDoubleValue(const char* section, const char* key, double defaultValue, double& value) = 0;  // 20
  virtual int GetUserIntValue(const char* section, const char* key, int defaultValue, int& value) = 0;           // 21
  virtual int GetUserStringValue(const char* section, const char* key, const char* defaultValue,
                                 QxString& value) = 0;                                                  // 22
  virtual int GetUserStringValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                                 int size) = 0;                                                         // 23
  virtual int GetUserBoolValue(const char* section, const char* key, bool& value) = 0;                  // 24
  virtual int GetUserDoubleValue(const char* section, const char* key, double& value) = 0;              // 25
  virtual int GetUserIntValue(const char* section, const char* key, int& value) = 0;                    // 26
  virtual int GetUserStringValue(const char* section, const char* key, QxString& value) = 0;            // 27
  virtual int GetUserStringValue(const char* section, const char* key, char* buffer, int size) = 0;     // 28
  virtual int GetUserPathValue(const char* section, const char* key, const char* defaultValue,
                               QxString& value) = 0;                                                    // 29
  virtual int GetUserPathValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                               int size) = 0;                                                           // 30
  virtual int GetUserPathValue(const char* section, const char* key, QxString& value) = 0;              // 31
  virtual int GetUserPathValue(const char* section, const char* key, char* buffer, int size) = 0;       // 32

  // Shared typed values.
  virtual int SetBoolValue(const char* section, const char* key, bool value) = 0;                       // 33
  virtual int SetDoubleValue(const char* section, const char* key, double value) = 0;                   // 34
  virtual int SetIntValue(const char* section, const char* key, int value) = 0;                         // 35
  virtual int SetStringValue(const char* section, const char* key, const char* value) = 0;              // 36
  virtual int GetBoolValue(const char* section, const char* key, bool defaultValue, bool& value) = 0;            // 37
  virtual int GetDoubleValue(const char* section, const char* key, double defaultValue, double& value) = 0;      // 38
  virtual int GetIntValue(const char* section, const char* key, int defaultValue, int& value) = 0;               // 39
  virtual int GetStringValue(const char* section, const char* key, const char* defaultValue, QxString& value) = 0;  // 40
  virtual int GetStringValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                             int size) = 0;                                                             // 41
  virtual int GetBoolValue(const char* section, const char* key, bool& value) = 0;                      // 42
  virtual int GetDoubleValue(const char* section, const char* key, double& value) = 0;                  // 43
  virtual int GetIntValue(const char* section, const char* key, int& value) = 0;                        // 44
  virtual int GetStringValue(const char* section, const char* key, QxString& value) = 0;                // 45
  virtual int GetStringValue(const char* section, const char* key, char* buffer, int size) = 0;         // 46
  virtual int GetPathValue(const char* section, const char* key, const char* defaultValue, QxString& value) = 0;  // 47
  virtual int GetPathValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                           int size) = 0;                                                               // 48
  virtual int GetPathValue(const char* section, const char* key, QxString& value) = 0;                  // 49
  virtual int GetPathValue(const char* section, const char* key, char* buffer, int size) = 0;           // 50
};
