// YlRegistry: one product's settings store. Explicit entries and numbered lists live in the
// registry below "Software\<company>\<product>\<version>\", one key per entry with the text
// in its unnamed value; typed values (texts, integers, reals, booleans, directories) live in
// the family's INI file "Quenta.ini", shared or per user, in sections "<prefix>_#_<section>".
//
//   YlRegistry store("Orvane", "Atrium", "3.2", "YlAtrium", nullptr);
//   int size = 0;
//   store.GetIntValue("Window", "Width", 640, size);      // 640 until someone stores one
//   store.SetIntValue("Window", "Width", 800);
//   QxString folder;
//   if (store.GetKeyValue(HKEY_LOCAL_MACHINE, "IniFilePath", folder) == ylresult::kSuccess) ...
//
// Every operation returns one of the result codes of settings/YlResult.h (ylresult::kSuccess,
// 0, or a negative code); GetErrorText gives their German texts.
//
// Operations call each other through their virtual slots, so a derived class that overrides
// one changes every operation built on it. Nothing is thrown; an instance is used by one
// thread at a time.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "foundation/QxExport.h"
#include "settings/YlIRegistry.h"
#include "settings/YlResult.h"

class QX_EXPORT_PARTIAL YlRegistry : public virtual YlIRegistry {
 public:
  // Uninitialised: operations that need the identity return kNotInitialised until Initialize
  // succeeds.
  QX_EXPORT_MEMBER YlRegistry();
  // Calls InitializeFromInfo(section, iniFileOrPrefix); the outcome shows in GetRegistryInfo.
  QX_EXPORT_MEMBER YlRegistry(const char* section, const char* iniFileOrPrefix);
  // Calls Initialize with the five arguments; the outcome shows in GetRegistryInfo.
  QX_EXPORT_MEMBER YlRegistry(const char* company, const char* product, const char* version,
                              const char* shortId, const char* iniFileOrPrefix);
  QX_EXPORT_MEMBER ~YlRegistry() override;
  YlRegistry(const YlRegistry&) = delete;
  YlRegistry& operator=(const YlRegistry&) = delete;

  // (Re)initialises the identity. A fifth argument containing ".ini" names the INI file;
  // otherwise it is the section prefix (null: the short id). kSuccess, or kBadArgument when
  // company, product and version are all null or the short id is null (the store is then
  // uninitialised).
  QX_EXPORT_MEMBER int Initialize(const char* company, const char* product, const char* version,
                                  const char* shortId, const char* iniFileOrPrefix) override;
  // Reads Company, Product, Version and ShortId from `section` of "Pellow.inf" beside the
  // program (else in the current folder) and calls Initialize. kIniEntryMissing when one is
  // missing or empty (nothing changed), kPathBufferTooSmall when the file name does not fit
  // 260 characters.
  QX_EXPORT_MEMBER int InitializeFromInfo(const char* section, const char* iniFileOrPrefix) override;
  // The text of a result code; always kSuccess. The buffer form writes at most size - 1
  // characters and a NUL; a size below 1 writes nothing.
  QX_EXPORT_MEMBER int GetErrorText(int code, QxString& text) override;
  QX_EXPORT_MEMBER int GetErrorText(int code, char* buffer, int size) override;
  // Asks the platform to write out what it caches of the INI file: kSuccess, or
  // kPathBufferTooSmall.
  QX_EXPORT_MEMBER int FlushIniFile() override;

  QX_EXPORT_MEMBER int GetKeyValue(HKEY root, const char* name, QxString& value) override;
  QX_EXPORT_MEMBER int GetKeyValue(HKEY root, const char* name, char* buffer, int size) override;
  QX_EXPORT_MEMBER int SetKeyValue(HKEY root, const char* name, const char* value,
                                   bool keepExisting) override;
  QX_EXPORT_MEMBER int GetListEntry(HKEY root, const char* listKey, const char* name, int index,
                                    QxString& value) override;
  QX_EXPORT_MEMBER int GetListEntry(HKEY root, const char* listKey, const char* name, int index,
                                    char* buffer, int size) override;
  QX_EXPORT_MEMBER int AddListEntry(HKEY root, const char* listKey, const char* name,
                                    const char* value) override;
  QX_EXPORT_MEMBER int RemoveListEntry(HKEY root, const char* listKey, const char* name,
                                       const char* value) override;
  QX_EXPORT_MEMBER int SetIniFilePath(const char* directory) override;
  QX_EXPORT_MEMBER int HasIniFilePath(int& exists) override;
  QX_EXPORT_MEMBER int DeleteAllKeys() override;

  QX_EXPORT_MEMBER int SetUserBoolValue(const char* section, const char* key, bool value) override;
  QX_EXPORT_MEMBER int SetUserDoubleValue(const char* section, const char* key, double value) override;
  QX_EXPORT_MEMBER int SetUserIntValue(const char* section, const char* key, int value) override;
  QX_EXPORT_MEMBER int SetUserStringValue(const char* section, const char* key,
                                          const char* value) override;
  QX_EXPORT_MEMBER int GetUserBoolValue(const char* section, const char* key, bool defaultValue,
                                        bool& value) override;
  QX_EXPORT_MEMBER int GetUserDoubleValue(const char* section, const char* key, double defaultValue,
                                          double& value) override;
  QX_EXPORT_MEMBER int GetUserIntValue(const char* section, const char* key, int defaultValue,
                                       int& value) override;
  QX_EXPORT_MEMBER int GetUserStringValue(const char* section, const char* key,
                                          const char* defaultValue, QxString& value) override;
  QX_EXPORT_MEMBER int GetUserStringValue(const char* section, const char* key,
                                          const char* defaultValue, char* buffer, int size) override;
  QX_EXPORT_MEMBER int GetUserBoolValue(const char* section, const char* key, bool& value) override;
  QX_EXPORT_MEMBER int GetUserDoubleValue(const char* section, const char* key, double& value) override;
  QX_EXPORT_MEMBER int GetUserIntValue(const char* section, const char* key, int& value) override;
  QX_EXPORT_MEMBER int GetUserStringValue(const char* section, const char* key,
                                          QxString& value) override;
  QX_EXPORT_MEMBER int GetUserStringValue(const char* section, const char* key, char* buffer,
                                          int size) override;
  QX_EXPORT_MEMBER int GetUserPathValue(const char* section, const char* key, const char* defaultValue,
                                        QxString& value) override;
  QX_EXPORT_MEMBER int GetUserPathValue(const char* section, const char* key, const char* defaultValue,
                                        char* buffer, int size) override;
  QX_EXPORT_MEMBER int GetUserPathValue(const char* section, const char* key, QxString& value) override;
  QX_EXPORT_MEMBER int GetUserPathValue(const char* section, const char* key, char* buffer,
                                        int size) override;

  QX_EXPORT_MEMBER int SetBoolValue(const char* section, const char* key, bool value) override;
  QX_EXPORT_MEMBER int SetDoubleValue(const char* section, const char* key, double value) override;
  QX_EXPORT_MEMBER int SetIntValue(const char* section, const char* key, int value) override;
  QX_EXPORT_MEMBER int SetStringValue(const char* section, const char* key, const char* value) override;
  QX_EXPORT_MEMBER int GetBoolValue(const char* section, const char* key, bool defaultValue,
                                    bool& value) override;
  QX_EXPORT_MEMBER int GetDoubleValue(const char* section, const char* key, double defaultValue,
                                      double& value) override;
  QX_EXPORT_MEMBER int GetIntValue(const char* section, const char* key, int defaultValue,
                                   int& value) override;
  QX_EXPORT_MEMBER int GetStringValue(const char* section, const char* key, const char* defaultValue,
                                      QxString& value) override;
  QX_EXPORT_MEMBER int GetStringValue(const char* section, const char* key, const char* defaultValue,
                                      char* buffer, int size) override;
  QX_EXPORT_MEMBER int GetBoolValue(const char* section, const char* key, bool& value) override;
  QX_EXPORT_MEMBER int GetDoubleValue(const char* section, const char* key, double& value) override;
  QX_EXPORT_MEMBER int GetIntValue(const char* section, const char* key, int& value) override;
  QX_EXPORT_MEMBER int GetStringValue(const char* section, const char* key, QxString& value) override;
  QX_EXPORT_MEMBER int GetStringValue(const char* section, const char* key, char* buffer,
                                      int size) override;
  QX_EXPORT_MEMBER int GetPathValue(const char* section, const char* key, const char* defaultValue,
                                    QxString& value) override;
  QX_EXPORT_MEMBER int GetPathValue(const char* section, const char* key, const char* defaultValue,
                                    char* buffer, int size) override;
  QX_EXPORT_MEMBER int GetPathValue(const char* section, const char* key, QxString& value) override;
  QX_EXPORT_MEMBER int GetPathValue(const char* section, const char* key, char* buffer,
                                    int size) override;

  // Sets the four outputs to the identity (null parts stay empty): false, with four empty
  // texts, when the store is not initialised.
  QX_EXPORT_MEMBER bool GetRegistryInfo(QxString& company, QxString& product, QxString& version,
                                        QxString& shortId);

  // The INI file's full name (cached after the first call): kSuccess, or kPathBufferTooSmall
  // when it does not fit `size` characters with its NUL (the buffer then holds at most the
  // directory).
  QX_EXPORT_MEMBER int GetIniPathAndName(char* buffer, int size);
  // The INI file's folder with a trailing separator (the cache is not used): kSuccess, or
  // kPathBufferTooSmall when the full INI file name would not fit `size`.
  QX_EXPORT_MEMBER int GetIniPath(char* buffer, int size);
  // The same into a string; the separator is appended even when the folder ends with one.
  QX_EXPORT_MEMBER int GetIniPath(QxString& path);
  // Copies the INI file over "<file>.bak"; does nothing when there is no INI file.
  QX_EXPORT_MEMBER void CreateIniBackup();
  // A security descriptor that lets every account write the keys this store creates, to be
  // freed by the caller; null where the platform has no access control (POSIX).
  QX_EXPORT_MEMBER void* GetSecurityDescriptorWithNullDacl();

 protected:
  // "User" and this account's four-digit number, handing out the next machine-wide number
  // on first use. `buffer` holds at least 9 characters. Always kSuccess.
  QX_NO_EXPORT int GetUserTag(char* buffer);

 private:
  struct Identity {
    std::optional<std::string> company, product, version;
  };

  QX_NO_EXPORT void Construct();
  QX_NO_EXPORT bool IsInitialised() const { return m_initialised != 0; }
  QX_NO_EXPORT std::string EntryPath(const char* name) const;
  QX_NO_EXPORT std::string SectionName(const char* section) const;
  QX_NO_EXPORT int UserKey(const char* key, std::string& userKey);
  QX_NO_EXPORT int IniFile(std::string& file);
  QX_NO_EXPORT void Prune(HKEY root, std::string path);
  // The user numbers the machine's accounts hold for this product, and the smallest free one.
  QX_NO_EXPORT std::set<long> UserNumbersTaken() const;
  QX_NO_EXPORT long SmallestFreeUserNumber() const;

  Identity m_identity;
  std::optional<std::string> m_shortId;
  std::optional<std::string> m_sectionPrefix;
  std::string m_iniFile;  // empty: not determined yet
  std::string m_keyPath;  // "company\product\version\", parts that are null or empty left out
  int m_initialised = 0;
};

// Deletes the key `name` below the open key `parent` with everything below it. A subkey
// that cannot be deleted stays (and so does its parent). Always ylresult::kSuccess.
QX_EXPORT int DeleteKeyAndAllSubkeys(HKEY parent, const char* name);
