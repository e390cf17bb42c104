// Feeds arbitrary bytes to CXMLMgr::LoadFile, which detects the file's encoding itself (byte
// order marks, UTF-16 without a mark, the encoding declaration), then walks what it parsed.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "localization/XMLMgr.h"

namespace {

const std::string& ScratchFile() {
  static const std::string path = "/tmp/tidewell-xml-fuzz-" + std::to_string(getpid()) + ".xml";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(ScratchFile().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  CXMLMgr xml;
  if (xml.CreateDocument() != 0 || !xml.LoadFile(ScratchFile().c_str())) return 0;
  std::string value;
  xml.GetAttribute(xml.GetRoot(), "ItemId", value);
  int budget = 1000;
  for (CXMLNode* n = xml.GetFirstChild(xml.GetRoot()); n != nullptr && budget-- > 0;) {
    (void)xml.GetNodeText(n);
    CXMLNode* child = xml.GetFirstChild(n);
    CXMLMgr::ReleaseNode(child);
    n = xml.GetNextSibling(n);
    if (budget == 0) CXMLMgr::ReleaseNode(n);
  }
  return 0;
}
