#include "FileEncryptUnit.h"
#include "Os.h"
#include "ReferenceCipher.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

namespace kx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ReferenceEncode;

Bytes Encode(const Bytes& plain) {
    Bytes out(plain.size());
    EXPECT_TRUE(EncodeBuffer(plain.data(), static_cast<std::uint32_t>(plain.size()), out.data(),
                             static_cast<std::uint32_t>(out.size()), SuiteCipherKey));
    return out;
}

Bytes Decode(const Bytes& stored) {
    Bytes out(stored.size());
    EXPECT_TRUE(DecodeBuffer(stored.data(), static_cast<std::uint32_t>(stored.size()), out.data(),
                             static_cast<std::uint32_t>(out.size()), SuiteCipherKey));
    return out;
}

Bytes AllByteValuesTwice() {
    Bytes bytes(512);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

TEST(Cipher, MatchesAnIndependentImplementationAndRoundTrips) {
    std::mt19937 random(7);
    std::vector<Bytes> samples = {AllByteValuesTwice(), Bytes{0x00}, Bytes{0xFF, 0xFF, 0x00, 0x0D, 0x0A}};
    for (int n = 0; n < 20; ++n) {
        Bytes sample(random() % 3000);
        for (auto& b : sample) b = static_cast<std::uint8_t>(random());
        samples.push_back(sample);
    }
    for (const Bytes& plain : samples) {
        const Bytes stored = Encode(plain);
        EXPECT_EQ(stored, ReferenceEncode(plain));
        EXPECT_EQ(Decode(stored), plain);
        // The reverse direction holds too: encoding undoes a decode.
        EXPECT_EQ(Encode(Decode(plain)), plain);
    }
}

TEST(Cipher, OneByteIsXoredWithTheHighByteOfTheStartKey) {
    EXPECT_EQ(Decode(Bytes{0x41}), Bytes{static_cast<std::uint8_t>(0x41 ^ (2459 >> 8))});
}

TEST(Cipher, TextsThatFirstDifferAtIStoreEqualBytesBeforeIAndDifferentBytesAtI) {
    Bytes a = AllByteValuesTwice();
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, std::size_t{200}, std::size_t{511}}) {
        Bytes b = a;
        b[i] ^= 0x5A;
        const Bytes sa = Encode(a), sb = Encode(b);
        EXPECT_TRUE(std::equal(sa.begin(), sa.begin() + static_cast<long>(i), sb.begin())) << i;
        EXPECT_NE(sa[i], sb[i]) << i;
    }
}

TEST(Cipher, UnequalLengthsReturnFalseAndLeaveTheDestinationUntouched) {
    const Bytes source{1, 2, 3};
    Bytes destination{9, 9};
    EXPECT_FALSE(DecodeBuffer(source.data(), 3, destination.data(), 2, SuiteCipherKey));
    EXPECT_FALSE(EncodeBuffer(source.data(), 3, destination.data(), 2, SuiteCipherKey));
    EXPECT_EQ(destination, (Bytes{9, 9}));
}

TEST(Cipher, EmptyBufferIsTrue) {
    EXPECT_TRUE(DecodeBuffer(nullptr, 0, nullptr, 0, SuiteCipherKey));
}

TEST(CipherFile, EachFileRestartsFromTheStartKeyAndReplacesItsOutput) {
    test::TempDir dir;
    const Bytes first = ReferenceEncode(Bytes{'[', 'a', ']'});
    const Bytes second = ReferenceEncode(Bytes{'x', '=', '1', '\r', '\n'});
    dir.WriteBytes("one.dat", first);
    dir.WriteBytes("two.dat", second);
    dir.Write("out.txt", std::string(100, 'z'));  // longer than any result: must be replaced, not overwritten

    EXPECT_TRUE(DecodeFile(dir.File("one.dat"), dir.File("out.txt"), SuiteCipherKey));
    EXPECT_EQ(test::ReadText(dir.File("out.txt")), "[a]");
    EXPECT_TRUE(DecodeFile(dir.File("two.dat"), dir.File("out.txt"), SuiteCipherKey));
    EXPECT_EQ(test::ReadText(dir.File("out.txt")), "x=1\r\n");
}

TEST(CipherFile, EmptyInputGivesEmptyOutput) {
    test::TempDir dir;
    dir.Write("empty.dat", "");
    EXPECT_TRUE(DecodeFile(dir.File("empty.dat"), dir.File("empty.txt"), SuiteCipherKey));
    EXPECT_TRUE(os::FileExists(dir.File("empty.txt")));
    EXPECT_EQ(test::ReadText(dir.File("empty.txt")), "");
}

TEST(CipherFile, MissingInputRaisesAnErrorNamingTheFileAndWritesNothing) {
    test::TempDir dir;
    try {
        DecodeFile(dir.File("absent.dat"), dir.File("out.txt"), SuiteCipherKey);
        FAIL() << "no error raised";
    } catch (const FileError& error) {
        EXPECT_NE(std::string(error.what()).find("absent.dat"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(os::FileExists(dir.File("out.txt")));
}

TEST(CipherFile, UnwritableOutputRaisesAnError) {
    test::TempDir dir;
    dir.Write("in.dat", "abc");
    EXPECT_THROW(CipherFile(dir.File("in.dat"), dir.File("no-such-folder/out.txt"), SuiteCipherKey, true),
                 FileError);
}

}  // namespace
}  // namespace kx
