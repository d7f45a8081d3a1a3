#include "VersionDocument.h"

#include <gtest/gtest.h>

namespace kx {
namespace {

const std::string Requested = "http://updates.kestrix.example/version.json?rand=20261208120000";

std::optional<VersionOffer> Read(const std::string& body, const std::string& loaded = Requested) {
    return ReadVersionDocument(Requested, loaded, body);
}

TEST(VersionDocument, ReadsBothStringMembersWhateverElseTheObjectHolds) {
    const auto offer = Read("{\"Version\":\"3.0.1\",\"DownloadURL\":\"x\"}");
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->Version, "3.0.1");
    EXPECT_EQ(offer->DownloadAddress, "x");
    const auto reordered = Read("{\"Notes\":[1,2],\"DownloadURL\":\"http://d/\u00e9\",\"Version\":\"4\",\"Version\":\"5\"}");
    ASSERT_TRUE(reordered);
    EXPECT_EQ(reordered->Version, "4");  // the first of two same-named members counts
    EXPECT_EQ(reordered->DownloadAddress, "http://d/\xC3\xA9");
}

TEST(VersionDocument, RejectsMissingWrongTypedEmptyAndMiscasedMembers) {
    EXPECT_FALSE(Read("{\"Version\":3.1,\"DownloadURL\":\"x\"}"));
    EXPECT_FALSE(Read("{\"Version\":\"3.1\",\"DownloadURL\":\"\"}"));
    EXPECT_FALSE(Read("{\"Version\":\"\",\"DownloadURL\":\"x\"}"));
    EXPECT_FALSE(Read("{\"version\":\"3.1\",\"downloadurl\":\"x\"}"));
    EXPECT_FALSE(Read("{\"Version\":\"3.1\"}"));
    EXPECT_FALSE(Read("{\"Version\":\"3.1\",\"DownloadURL\":null}"));
}

TEST(VersionDocument, RejectsBodiesThatAreNotOneObject) {
    EXPECT_FALSE(Read(""));
    EXPECT_FALSE(Read("<html><body>Not found</body></html>"));
    EXPECT_FALSE(Read("[{\"Version\":\"3.1\",\"DownloadURL\":\"x\"}]"));
    EXPECT_FALSE(Read("\"3.1\""));
    EXPECT_TRUE(Read("\xEF\xBB\xBF {\"Version\":\"3.1\",\"DownloadURL\":\"x\"} trailing"));
}

TEST(VersionDocument, TheLoadedAddressMustBeTheRequestedOneButForLetterCase) {
    const std::string body = "{\"Version\":\"3.1\",\"DownloadURL\":\"x\"}";
    EXPECT_TRUE(Read(body, "HTTP://UPDATES.KESTRIX.EXAMPLE/VERSION.JSON?RAND=20261208120000"));
    EXPECT_FALSE(Read(body, "http://updates.kestrix.example/moved.json?rand=20261208120000"));
    EXPECT_FALSE(Read(body, "about:blank"));
    EXPECT_FALSE(Read(body, Requested + "0"));
    EXPECT_TRUE(SameAddress("http://a/\xC3\xA9", "HTTP://A/\xC3\xA9"));
    EXPECT_FALSE(SameAddress("http://a/\xC3\xA9", "http://a/\xC3\x89"));  // only a to z fold
}

}  // namespace
}  // namespace kx
