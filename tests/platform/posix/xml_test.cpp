// The XML document model's file loads on POSIX: special files are never waited on, and a
// file over the size limit is refused before it is read.
#include "platform/xml.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using platform::xml::Document;

Document Parsed(std::u16string_view text) {
  Document doc;
  EXPECT_EQ(Document::Create(doc), 0);
  EXPECT_TRUE(doc.LoadXml(text));
  return doc;
}

TEST(XmlDom, FilesThatAreNotRegularOrTooLargeFailAtOnce) {
  testsupport::TempDir dir;
  const std::string fifo = (dir.path() / "fifo.xml").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Well-formed up to its end, but past the 256 MiB limit (sparse: no room on disk).
  const std::string huge = dir.Write("huge.xml", "<a>");
  ASSERT_EQ(truncate(huge.c_str(), (std::int64_t{256} << 20) + 1), 0);
  // In a child: a load that blocks is ended by the alarm, and the child's peak memory tells
  // whether a file was read.
  const pid_t child = testsupport::Spawn([&] {
    alarm(10);
    Document doc = Parsed(u"<kept/>");
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    int code = 0;
    for (const std::string& path : {fifo, std::string("/dev/zero"), huge}) {
      ++code;
      if (doc.LoadFile(path) || doc.Root().Name() != u"kept") return code;
    }
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    return after.ru_maxrss - before.ru_maxrss < 32 * 1024 ? 0 : 10;
  });
  EXPECT_EQ(testsupport::Wait(child), 0) << "1..3: the load succeeded, 10: a file was read, 1014: blocked";
}

}  // namespace
