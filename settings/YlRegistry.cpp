// YlRegistry: construction, identity, the information file and the result texts.
#include "settings/YlRegistry.h"

#include <cstring>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "settings/YlResult.h"

using namespace ylresult;

namespace {

constexpr int kMaxPath = 260;
constexpr const char* kInfoFile = "Pellow.inf";

const char* ErrorText(int code) {
  switch (code) {
    case kEntryBufferTooSmall:
      return "YlRegistry - Fehler: \xFC" "bergebener Puffer zu klein f\xFC" "r Registry Eintrag";
    case kEntryNotReadable: return "YlRegistry - Fehler: Registry-Key nicht lesbar";
    case kKeyMissing: return "YlRegistry - Fehler: Registry-Key existiert nicht";
    case kEntryNotWritable: return "YlRegistry - Fehler: Registry-Key nicht schreibbar";
    case kKeyNotCreated: return "YlRegistry - Fehler: Registry-Key konnte nicht erzeugt werden";
    case kBadArgument: return "YlRegistry - Fehler: falsche/fehlende Aufrufparameter";
    case kIniNotWritable: return "YlRegistry - Fehler: Ini-Datei nicht schreibbar";
    case kIniEntryMissing: return "YlRegistry - Fehler: Ini-Datei nicht lesbar";
    case kPathBufferTooSmall: return "YlRegistry - Fehler: \xFC" "bergebener Puffer zu klein f\xFC" "r Pfad und Name";
    case kNotInitialised: return "YlRegistry - Fehler: noch nicht initialisiert";
    case kConversionFailed: return "YlRegistry - Fehler: Datenkonvertierung";
    case kDefaultTooLong: return "YlRegistry - Fehler: Default l\xE4" "nger als Platz in Ziel";
    case kExistingEntryKept: return "YlRegistry - Warnung: Existierender Registry-Key wurde nicht \xFC" "berschrieben";
    default: return "YlRegistry - Fehler: kein g\xFC" "ltiger Fehlercode";
  }
}

std::optional<std::string> Copy(const char* text) {
  return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace

YlRegistry::YlRegistry() { Construct(); }

YlRegistry::YlRegistry(const char* section, const char* iniFileOrPrefix) {
  Construct();
  (void)InitializeFromInfo(section, iniFileOrPrefix);
}

YlRegistry::YlRegistry(const char* company, const char* product, const char* version, const char* shortId,
                       const char* iniFileOrPrefix) {
  Construct();
  (void)Initialize(company, product, version, shortId, iniFileOrPrefix);
}

YlRegistry::~YlRegistry() = default;

void YlRegistry::Construct() {
  object = this;
  className = "YlRegistry";
  m_identity = {std::string(), std::string(), std::string()};
  m_shortId = std::string();
  m_sectionPrefix = std::string();
}

int YlRegistry::Initialize(const char* company, const char* product, const char* version, const char* shortId,
                           const char* iniFileOrPrefix) {
  m_identity = {Copy(company), Copy(product), Copy(version)};
  m_shortId = Copy(shortId);
  m_sectionPrefix = Copy(iniFileOrPrefix != nullptr ? iniFileOrPrefix : shortId);
  m_iniFile.clear();
  m_keyPath.clear();
  m_initialised = 0;
  if ((company == nullptr && product == nullptr && version == nullptr) || shortId == nullptr) return kBadArgument;

  for (const auto& part : {m_identity.company, m_identity.product, m_identity.version}) {
    if (part && !part->empty()) m_keyPath += *part + "\\";
  }
  char file[1023];
  (void)GetIniPathAndName(file, sizeof file);
  m_initialised = 1;
  return kSuccess;
}

int YlRegistry::InitializeFromInfo(const char* section, const char* iniFileOrPrefix) {
  const std::size_t name_room = 1 + std::strlen(kInfoFile) + 1;  // separator, name, NUL
  std::string folder;
  if (!platform::ProgramFolder(folder)) folder.clear();
  platform::DropTrailingPathSeparator(folder);  // a root loses it too: it is put back below
  if (folder.size() + name_room > kMaxPath) return kPathBufferTooSmall;
  std::string info = folder + platform::kPathSeparator + kInfoFile;
  if (!platform::FileExists(info.c_str())) {
    if (!platform::CurrentFolder(folder)) folder.clear();
    platform::DropTrailingPathSeparator(folder);
    info = folder.size() + name_room > kMaxPath ? folder : folder + platform::kPathSeparator + kInfoFile;
  }

  std::string values[4];
  const char* keys[] = {"Company", "Product", "Version", "ShortId"};
  for (int i = 0; i < 4; ++i) {
    char buffer[511];
    if (platform::ReadProfileEntry(section, keys[i], "", buffer, sizeof buffer, info.c_str()) == 0)
      return kIniEntryMissing;
    values[i] = buffer;
  }
  return Initialize(values[0].c_str(), values[1].c_str(), values[2].c_str(), values[3].c_str(), iniFileOrPrefix);
}

int YlRegistry::GetErrorText(int code, QxString& text) {
  text = ErrorText(code);
  return kSuccess;
}

int YlRegistry::GetErrorText(int code, char* buffer, int size) {
  // A buffer of no room gets nothing rather than a NUL in front of it.
  if (buffer == nullptr || size < 1) return kSuccess;
  QxString text;
  (void)GetErrorText(code, text);
  std::strncpy(buffer, text, static_cast<std::size_t>(size - 1));
  buffer[size - 1] = '\0';
  return kSuccess;
}

bool YlRegistry::GetRegistryInfo(QxString& company, QxString& product, QxString& version, QxString& shortId) {
  company.Empty();
  product.Empty();
  version.Empty();
  shortId.Empty();
  if (!IsInitialised()) return false;
  if (m_identity.company) company = m_identity.company->c_str();
  if (m_identity.product) product = m_identity.product->c_str();
  if (m_identity.version) version = m_identity.version->c_str();
  if (m_shortId) shortId = m_shortId->c_str();
  return true;
}

std::string YlRegistry::SectionName(const char* section) const {
  return m_sectionPrefix.value_or("") + "_#_" + section;
}
