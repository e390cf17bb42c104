// The built Windows program read back with our own readers, on the build machine: dialog
// template 102, icon 128, the translation table, the manifest and the version resource must
// be what resources/ holds. TIDEWELL_WINDOWS_PROGRAM names the program; without it every
// case fails.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/emulation/pe_resources.h"
#include "platform/unicode.h"
#include "platform/version_resource.h"
#include "platform/xml.h"
#include "tests/support/TempDir.h"
#include "tests/windows_program/dialog_template.h"

namespace {

using platform::detail::PeResources;
using platform::detail::ResourceId;
using Bytes = std::vector<unsigned char>;

constexpr std::uint32_t kRtIcon = 3, kRtDialog = 5, kRtGroupIcon = 14, kRtVersion = 16, kRtManifest = 24;

constexpr std::uint32_t kWsPopup = 0x80000000u, kWsChild = 0x40000000u, kWsVisible = 0x10000000u;
constexpr std::uint32_t kWsCaption = 0x00C00000u, kWsVScroll = 0x00200000u, kWsSysMenu = 0x00080000u;
constexpr std::uint32_t kWsGroup = 0x00020000u, kWsTabStop = 0x00010000u;
constexpr std::uint32_t kDsModalFrame = 0x80, kDsSetFont = 0x40, kWsExAppWindow = 0x00040000u;
constexpr std::uint32_t kCbsSort = 0x100;

std::string Describe(const ResourceId& id) {
  if (!id.is_name) return std::to_string(id.number);
  std::string text;
  platform::Utf16ToUtf8(id.name, text);
  return '"' + text + '"';
}

class WindowsProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("TIDEWELL_WINDOWS_PROGRAM");
    ASSERT_TRUE(path != nullptr && *path != '\0')
        << "TIDEWELL_WINDOWS_PROGRAM must name the Windows program to read (the mingw64 and mingw32 builds' "
           "CTest case sets it)";
    path_ = path;
    ASSERT_TRUE(std::filesystem::is_regular_file(path_)) << path_ << " is missing: build the Windows program first";
    program_.emplace(path_);
    ASSERT_TRUE(*program_) << path_ << " is not a PE file with resources";
  }

  // The resource's bytes; a missing one fails the test and lists what the program holds.
  std::optional<Bytes> Load(const ResourceId& type, const ResourceId& name,
                            std::optional<std::uint32_t> language = std::nullopt) {
    if (const auto found = program_->Find(type, name, language)) {
      auto bytes = program_->Load(*found);
      EXPECT_TRUE(bytes) << Describe(type) << "/" << Describe(name) << ": data outside the file";
      return bytes;
    }
    std::string held;
    for (const auto& r : program_->List().value_or(std::vector<platform::detail::ResourceLocation>{}))
      held += " " + Describe(r.type) + "/" + Describe(r.name) + "/" + std::to_string(r.language);
    ADD_FAILURE() << path_ << " has no resource " << Describe(type) << "/" << Describe(name)
                  << (language ? " in language " + std::to_string(*language) : "") << "; it holds:" << held;
    return std::nullopt;
  }

  std::string path_;
  std::optional<PeResources> program_;
};

TEST_F(WindowsProgram, Dialog102IsAVisibleModalPopupOf194By186InTahoma8) {
  const auto bytes = Load(kRtDialog, 102);
  ASSERT_TRUE(bytes);
  const auto dialog = testsupport::ParseDialogTemplateEx(*bytes);
  ASSERT_TRUE(dialog) << "not a DIALOGEX template";
  const std::uint32_t style = kDsModalFrame | kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kDsSetFont;
  EXPECT_EQ(dialog->style & style, style) << std::hex << dialog->style;
  EXPECT_EQ(dialog->ex_style & kWsExAppWindow, kWsExAppWindow) << std::hex << dialog->ex_style;
  EXPECT_EQ(dialog->items.size(), 4u);
  EXPECT_EQ(dialog->x, 0);
  EXPECT_EQ(dialog->y, 0);
  EXPECT_EQ(dialog->cx, 194);
  EXPECT_EQ(dialog->cy, 186);
  ASSERT_TRUE(dialog->font);
  EXPECT_EQ(dialog->font->point_size, 8);
  EXPECT_EQ(dialog->font->typeface, u"Tahoma");
}

TEST_F(WindowsProgram, Dialog102HoldsItsFourControlsInTabOrder) {
  struct Expected {
    const char* what;
    std::uint32_t id;
    std::uint16_t class_atom;  // 0x80 button, 0x82 static, 0x85 combo box
    std::int16_t x, y, cx, cy;
    std::uint32_t type_mask, type;  // the class's own style field
    std::uint32_t required, forbidden;
  };
  const Expected expected[] = {
      {"OK: default push button", 1, 0x80, 41, 165, 50, 14, 0xF, 0x1, kWsChild | kWsVisible | kWsTabStop, 0},
      {"Cancel: push button", 2, 0x80, 103, 165, 50, 14, 0xF, 0x0, kWsChild | kWsVisible | kWsTabStop, 0},
      {"host list: drop-down list", 1029, 0x85, 8, 23, 159, 87, 0x3, 0x3,
       kWsChild | kWsVisible | kWsVScroll | kWsTabStop, kCbsSort},
      {"status line: left-aligned static", 1005, 0x82, 18, 139, 165, 16, 0x1F, 0x0, kWsChild | kWsVisible | kWsGroup, 0},
  };
  const auto bytes = Load(kRtDialog, 102);
  ASSERT_TRUE(bytes);
  const auto dialog = testsupport::ParseDialogTemplateEx(*bytes);
  ASSERT_TRUE(dialog);
  ASSERT_EQ(dialog->items.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Expected& e = expected[i];
    const testsupport::DialogItem& item = dialog->items[i];
    SCOPED_TRACE(e.what);
    EXPECT_EQ(item.id, e.id);
    EXPECT_TRUE(item.window_class.is_ordinal);
    EXPECT_EQ(item.window_class.ordinal, e.class_atom);
    EXPECT_EQ(item.x, e.x);
    EXPECT_EQ(item.y, e.y);
    EXPECT_EQ(item.cx, e.cx);
    EXPECT_EQ(item.cy, e.cy);
    EXPECT_EQ(item.style & e.type_mask, e.type) << std::hex << item.style;
    EXPECT_EQ(item.style & e.required, e.required) << std::hex << item.style;
    EXPECT_EQ(item.style & e.forbidden, 0u) << std::hex << item.style;
  }
}

// An icon file's directory: (width, height, bit count, bytes of the image) per image.
struct IconImage {
  unsigned width, height, bit_count;
  std::string bytes;
};

std::vector<IconImage> IconFileImages(const std::string& file) {
  auto u = [&](std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(file[at + i]);
    return v;
  };
  std::vector<IconImage> images;
  if (file.size() < 6) return images;
  for (std::uint32_t i = 0, count = u(4, 2); i < count && 6 + 16 * (i + 1) <= file.size(); ++i) {
    const std::size_t entry = 6 + 16 * i;
    const std::uint32_t size = u(entry + 8, 4), offset = u(entry + 12, 4);
    if (offset > file.size() || size > file.size() - offset) break;
    images.push_back({u(entry, 1), u(entry + 1, 1), u(entry + 6, 2), file.substr(offset, size)});
  }
  return images;
}

TEST_F(WindowsProgram, Icon128HoldsTheIconFilesTwoImagesByteForByte) {
  const auto file = IconFileImages(testsupport::FileContents(TIDEWELL_SOURCE_DIR "/resources/tidewell.ico"));
  ASSERT_EQ(file.size(), 2u);
  const auto group = Load(kRtGroupIcon, 128);
  ASSERT_TRUE(group);
  // GRPICONDIR: reserved, type 1, count; then 14-byte entries ending in the RT_ICON id.
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>((*group)[at] | ((*group)[at + 1] << 8)); };
  ASSERT_GE(group->size(), 6u);
  EXPECT_EQ(u16(2), 1u);
  ASSERT_EQ(u16(4), 2u);
  ASSERT_GE(group->size(), 6u + 2 * 14);
  const unsigned sizes[] = {32, 16};
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE("image " + std::to_string(i));
    const std::size_t entry = 6 + 14 * i;
    EXPECT_EQ((*group)[entry], sizes[i]);
    EXPECT_EQ((*group)[entry + 1], sizes[i]);
    EXPECT_EQ(u16(entry + 6), 32u);
    EXPECT_EQ(file[i].width, sizes[i]);
    EXPECT_EQ(file[i].height, sizes[i]);
    EXPECT_EQ(file[i].bit_count, 32u);
    const auto image = Load(kRtIcon, u16(entry + 12));
    ASSERT_TRUE(image);
    EXPECT_TRUE(std::string(image->begin(), image->end()) == file[i].bytes) << "differs from resources/tidewell.ico";
  }
}

TEST_F(WindowsProgram, TheTranslationTableIsTaggedGermanAndStoredByteForByte) {
  const auto table = Load(u"XML", u"ZEBSTRINGS", 1031);
  ASSERT_TRUE(table);
  const std::string source = testsupport::FileContents(TIDEWELL_SOURCE_DIR "/resources/ZEBSTRINGS.xml");
  ASSERT_FALSE(source.empty());
  EXPECT_TRUE(std::string(table->begin(), table->end()) == source) << "the table differs from resources/ZEBSTRINGS.xml";
}

platform::xml::Node Child(const platform::xml::Node& parent, std::u16string_view name) {
  for (auto node = parent.FirstChild(); node; node = node.NextSibling())
    if (node.Name() == name) return node;
  return {};
}

std::u16string Attribute(const platform::xml::Node& element, std::u16string_view name) {
  std::u16string value;
  if (element.GetAttribute(name, value) != platform::xml::Node::Attribute::kFound) return u"(absent)";
  return value;
}

TEST_F(WindowsProgram, TheManifestAsksForAdministratorRightsAndCommonControls6) {
  const auto manifest = Load(kRtManifest, 1);
  ASSERT_TRUE(manifest);
  std::u16string text;
  platform::Utf8ToUtf16(std::string(manifest->begin(), manifest->end()), text);
  platform::xml::Document document;
  ASSERT_EQ(platform::xml::Document::Create(document), 0);
  ASSERT_TRUE(document.LoadXml(text)) << "the manifest is not well-formed XML";
  const auto assembly = document.Root();
  ASSERT_EQ(assembly.Name(), u"assembly");

  const auto level = Child(Child(Child(Child(assembly, u"trustInfo"), u"security"), u"requestedPrivileges"),
                           u"requestedExecutionLevel");
  ASSERT_TRUE(level);
  EXPECT_EQ(Attribute(level, u"level"), u"requireAdministrator");
  EXPECT_EQ(Attribute(level, u"uiAccess"), u"false");

  bool common_controls = false;
  for (auto dependency = assembly.FirstChild(); dependency; dependency = dependency.NextSibling()) {
    if (dependency.Name() != u"dependency") continue;
    const auto identity = Child(Child(dependency, u"dependentAssembly"), u"assemblyIdentity");
    if (Attribute(identity, u"name") != u"Microsoft.Windows.Common-Controls") continue;
    common_controls = true;
    EXPECT_EQ(Attribute(identity, u"version"), u"6.0.0.0");
  }
  EXPECT_TRUE(common_controls) << "no dependency on the common controls";
}

TEST_F(WindowsProgram, TheVersionResourceCarriesTheProjectsVersion) {
  ASSERT_TRUE(Load(kRtVersion, 1));
  const auto info = platform::VersionInfo::FromFile(path_);
  ASSERT_TRUE(info);
  const auto fixed = info->Fixed();
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->file_version_ms, (TIDEWELL_VERSION_MAJOR << 16) | TIDEWELL_VERSION_MINOR);
  EXPECT_EQ(fixed->file_version_ls, TIDEWELL_VERSION_PATCH << 16);
  const std::string dotted = std::to_string(TIDEWELL_VERSION_MAJOR) + "." + std::to_string(TIDEWELL_VERSION_MINOR) +
                             "." + std::to_string(TIDEWELL_VERSION_PATCH) + ".0";
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0\\FileVersion"), dotted);
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0\\ProductVersion"), dotted);
}

}  // namespace
