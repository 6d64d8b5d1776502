#include <gtest/gtest.h>

#include "RegistrySnapshot.h"
#include "app/Profile.h"

namespace {
const char kTestKey[] = "Software\\QuilletToolTests\\Profile";

class ProfileTest : public testing::Test {
protected:
    ProfileTest() { DeleteRegTree(HKEY_CURRENT_USER, kTestKey); }
    RegistrySnapshot keep_{HKEY_CURRENT_USER, "Software\\QuilletToolTests"};
};
}  // namespace

TEST_F(ProfileTest, WritesCreateTheKeysAndStoreTheRightTypes) {
    CProfile profile(HKEY_CURRENT_USER, kTestKey);
    ASSERT_TRUE(profile.IsOpen());
    EXPECT_EQ(profile.WriteString("A\\B", "Text", "abc"), ERROR_SUCCESS);
    EXPECT_EQ(profile.WriteDword("A", "Number", 0xFFFFFFFFu), ERROR_SUCCESS);
    const BYTE bytes[] = {0, 1, 2, 0};
    EXPECT_EQ(profile.WriteBinary("A", "Bytes", bytes, sizeof bytes), ERROR_SUCCESS);

    RegValue value;
    ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, std::string(kTestKey) + "\\A\\B", "Text", value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.data, (std::vector<BYTE>{'a', 'b', 'c', 0}));  // the terminator is stored too
    ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, std::string(kTestKey) + "\\A", "Number", value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_DWORD));
    ASSERT_TRUE(ReadRegValue(HKEY_CURRENT_USER, std::string(kTestKey) + "\\A", "Bytes", value));
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(value.data, std::vector<BYTE>(bytes, bytes + sizeof bytes));

    EXPECT_EQ(profile.ReadString("A\\B", "Text", "x"), "abc");
    EXPECT_EQ(profile.ReadDword("A", "Number", 7), 0xFFFFFFFFu);
}

TEST_F(ProfileTest, FailedReadsGiveTheDefault) {
    CProfile profile(HKEY_CURRENT_USER, kTestKey);
    EXPECT_EQ(profile.ReadString("A", "Missing", "dflt"), "dflt");
    EXPECT_EQ(profile.ReadDword("A", "Missing", 42), 42u);

    // 260 bytes with the terminator still fit; one more does not.
    profile.WriteString("A", "Fits", std::string(259, 'x'));
    profile.WriteString("A", "TooLong", std::string(260, 'x'));
    EXPECT_EQ(profile.ReadString("A", "Fits", "dflt"), std::string(259, 'x'));
    EXPECT_EQ(profile.ReadString("A", "TooLong", "dflt"), "dflt");

    // A value too big for four bytes is no number; the type is not checked.
    profile.WriteString("A", "Text", "12345678");
    EXPECT_EQ(profile.ReadDword("A", "Text", 5), 5u);
    profile.WriteDword("A", "Number", 0x00636261);  // "abc\0"
    EXPECT_EQ(profile.ReadString("A", "Number", "dflt"), "abc");

    // Without a key nothing can be read or written.
    CProfile closed(nullptr, kTestKey);
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(closed.ReadString("A", "Fits", "dflt"), "dflt");
    EXPECT_EQ(closed.ReadDword("A", "Number", 9), 9u);
    EXPECT_NE(closed.WriteDword("A", "Number", 1), ERROR_SUCCESS);
}

TEST_F(ProfileTest, ReadBinaryReportsTheSizeAndReadsOnlyWhenTheCapacityIsEnough) {
    CProfile profile(HKEY_CURRENT_USER, kTestKey);
    const BYTE bytes[] = {9, 8, 7, 6, 5};
    profile.WriteBinary("B", "Data", bytes, sizeof bytes);

    DWORD size = 0;
    EXPECT_EQ(profile.ReadBinary("B", "Data", nullptr, &size), nullptr);
    EXPECT_EQ(size, 5u);

    BYTE buffer[8] = {};
    size = sizeof buffer;
    EXPECT_EQ(profile.ReadBinary("B", "Data", buffer, &size), buffer);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(std::vector<BYTE>(buffer, buffer + 5), std::vector<BYTE>(bytes, bytes + 5));

    BYTE small[4] = {1, 1, 1, 1};
    size = sizeof small;
    EXPECT_EQ(profile.ReadBinary("B", "Data", small, &size), nullptr);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(small[0], 1);  // untouched

    // A missing value keeps the size; a key that cannot be opened clears it.
    size = 77;
    EXPECT_EQ(profile.ReadBinary("B", "Missing", buffer, &size), nullptr);
    EXPECT_EQ(size, 77u);
    CProfile closed(nullptr, kTestKey);
    size = 77;
    EXPECT_EQ(closed.ReadBinary("B", "Data", buffer, &size), nullptr);
    EXPECT_EQ(size, 0u);
}
