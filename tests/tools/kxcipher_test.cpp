#include "Process.h"
#include "ReferenceCipher.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace kx {
namespace {

#ifdef _WIN32
const std::string Tool = test::BinaryFolder() + "kxcipher.exe";
#else
const std::string Tool = test::BinaryFolder() + "kxcipher";
#endif

TEST(KxCipher, RoundTripsAnyFileByteForByte) {
    test::TempDir dir;
    std::vector<std::uint8_t> bytes(70000);
    std::mt19937 random(11);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    dir.WriteBytes("in.bin", bytes);
    ASSERT_EQ(test::RunProgram(Tool, {"encode", dir.File("in.bin"), dir.File("mid.dat")}), 0);
    ASSERT_EQ(test::RunProgram(Tool, {"decode", dir.File("mid.dat"), dir.File("out.bin")}), 0);
    const std::string out = test::ReadText(dir.File("out.bin"));
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin(), out.end()), bytes);
    EXPECT_NE(test::ReadText(dir.File("mid.dat")), test::ReadText(dir.File("in.bin")));
}

TEST(KxCipher, DecodesAFileScrambledByAnIndependentImplementation) {
    test::TempDir dir;
    const std::string plain = "[frmMain]\r\nTitle=Kestrix launcher\r\nImagePath=Skin\r\n";
    dir.WriteBytes("Main.dat", test::ReferenceEncode(std::vector<std::uint8_t>(plain.begin(), plain.end())));
    ASSERT_EQ(test::RunProgram(Tool, {"decode", dir.File("Main.dat"), dir.File("Main.txt")}), 0);
    EXPECT_EQ(test::ReadText(dir.File("Main.txt")), plain);
}

TEST(KxCipher, FailsClearlyOnBadInputOutputAndUsage) {
    test::TempDir dir;
    dir.Write("in.txt", "x");
    EXPECT_EQ(test::RunProgram(Tool, {"decode", dir.File("missing.dat"), dir.File("out.txt")}), 1);
    EXPECT_EQ(test::RunProgram(Tool, {"encode", dir.File("in.txt"), dir.File("no/such/out.dat")}), 1);
    EXPECT_EQ(test::RunProgram(Tool, {"scramble", dir.File("in.txt"), dir.File("out.dat")}), 2);
    EXPECT_EQ(test::RunProgram(Tool, {"encode", dir.File("in.txt")}), 2);
}

}  // namespace
}  // namespace kx
