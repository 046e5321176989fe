// The value rules, as pure functions: no database and no table object.
#include "store/storeerror.h"
#include "store/valuerules.h"
#include "tests/fixtures/qstringprint.h"

#include <gtest/gtest.h>

namespace {

using namespace ValueRules;

const FieldType Text = fieldType(QStringLiteral("IPAddress"), QStringLiteral("VARCHAR(15)"), false);
const FieldType Wide = fieldType(QStringLiteral("IPSet_Name"), QStringLiteral("VARCHAR(255)"), false);
const FieldType Boolean = fieldType(QStringLiteral("DHCP"), QStringLiteral("BOOLEAN"), false);
const FieldType Integer = fieldType(QStringLiteral("Connection"), QStringLiteral("INTEGER"), false);
const FieldType Key = fieldType(QStringLiteral("AutoIncField"), QStringLiteral("INTEGER"), true);

// --- field types -----------------------------------------------------------------

struct TypeCase {
    const char* declared;
    bool primaryKey;
    bool isText, isBoolean, isInteger, isKey;
    int width;
};

void PrintTo(const TypeCase& c, std::ostream* out) {
    *out << c.declared << (c.primaryKey ? " PRIMARY KEY" : "");
}

class FieldTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(FieldTypeTest, FollowsTheDeclaration) {
    const TypeCase& c = GetParam();
    const FieldType field = fieldType(QStringLiteral("f"), QString::fromLatin1(c.declared), c.primaryKey);
    EXPECT_EQ(field.isText, c.isText);
    EXPECT_EQ(field.isBoolean, c.isBoolean);
    EXPECT_EQ(field.isInteger, c.isInteger);
    EXPECT_EQ(field.isKey, c.isKey);
    EXPECT_EQ(field.width, c.width);
}

INSTANTIATE_TEST_SUITE_P(Declarations, FieldTypeTest,
                         ::testing::Values(TypeCase{"VARCHAR(15)", false, true, false, false, false, 15},
                                           TypeCase{"varchar( 255 )", false, true, false, false, false, 255},
                                           TypeCase{"NUMERIC(10,2)", false, false, false, false, false, 0},
                                           TypeCase{"TEXT", false, true, false, false, false, 0},
                                           TypeCase{"", false, true, false, false, false, 0},
                                           TypeCase{"BOOLEAN", false, false, true, false, false, 0},
                                           TypeCase{"INTEGER", false, false, false, true, false, 0},
                                           TypeCase{"INTEGER", true, false, false, true, true, 0},
                                           // Only INTEGER PRIMARY KEY is the rowid.
                                           TypeCase{"INT", true, false, false, true, false, 0},
                                           TypeCase{"BIGINT", false, false, false, true, false, 0}));

TEST(FieldPositionTest, IgnoresLetterCaseAndAnswersMinusOneForNone) {
    const QVector<FieldType> fields = {Key, fieldType(QStringLiteral("ConnectionName"), {}, false)};
    EXPECT_EQ(fieldPosition(fields, QStringLiteral("autoincfield")), 0);
    EXPECT_EQ(fieldPosition(fields, QStringLiteral("CONNECTIONNAME")), 1);
    EXPECT_EQ(fieldPosition(fields, QStringLiteral("Description")), -1);
    EXPECT_EQ(fieldPosition(fields, QString()), -1);
    EXPECT_EQ(fieldPosition({}, QStringLiteral("AutoIncField")), -1);
}

// --- reading ---------------------------------------------------------------------------

struct ReadCase {
    const char* name;
    FieldType field;
    QVariant value;
    QString text;
    bool boolean;
    int integer;
};

void PrintTo(const ReadCase& c, std::ostream* out) {
    *out << c.name;
}

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, ReadsAsTextBooleanAndInteger) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(textOf(c.field, c.value), c.text);
    EXPECT_EQ(booleanOf(c.value), c.boolean);
    EXPECT_EQ(integerOf(c.field, c.value), c.integer);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadTest,
    ::testing::Values(ReadCase{"BooleanWithoutValue", Boolean, QVariant(), "", false, 0},
                      ReadCase{"BooleanOne", Boolean, qint64(1), "True", true, 1},
                      ReadCase{"BooleanZero", Boolean, qint64(0), "False", false, 0},
                      ReadCase{"BooleanWordTrue", Boolean, QStringLiteral("yes"), "True", true, 1},
                      ReadCase{"IntegerWithoutValue", Integer, QVariant(), "", false, 0},
                      ReadCase{"IntegerNegative", Integer, qint64(-7), "-7", true, -7},
                      ReadCase{"IntegerKeyZero", Key, qint64(0), "0", false, 0},
                      ReadCase{"IntegerDamagedText", Integer, QStringLiteral("abc"), "abc", false, 0},
                      ReadCase{"IntegerBeyond32Bits", Integer, qint64(1) << 40, "1099511627776", true, 0},
                      ReadCase{"IntegerWholeReal", Integer, 7.0, "7", true, 7},
                      ReadCase{"TextWithoutValue", Text, QVariant(), "", false, 0},
                      ReadCase{"TextNullString", Text, QString(), "", false, 0},
                      ReadCase{"TextEmpty", Text, QStringLiteral(""), "", false, 0},
                      ReadCase{"TextNumber", Text, QStringLiteral(" 12 "), " 12 ", true, 12}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadTest, ATextThatIsNoNumberReadAsIntegerFails) {
    EXPECT_THROW(integerOf(Text, QStringLiteral("True")), StoreError);
    try {
        integerOf(Text, QStringLiteral("10.0.0.1"));
        FAIL() << "no error";
    } catch (const StoreError& error) {
        EXPECT_EQ(error.message(), QStringLiteral("'10.0.0.1' is not a valid integer value"));
    }
}

// --- writing ---------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    FieldType field;
    QString text;
    QVariant stored; // invalid: no value
};

void PrintTo(const WriteCase& c, std::ostream* out) {
    *out << c.name;
}

class WriteTest : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteTest, StoresATextAsItsFieldTakesIt) {
    const WriteCase& c = GetParam();
    const QVariant stored = storedText(c.field, c.text);
    EXPECT_EQ(noValue(stored), noValue(c.stored));
    if (!noValue(c.stored)) {
        EXPECT_EQ(stored, c.stored);
        EXPECT_EQ(stored.typeId(), c.stored.typeId());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WriteTest,
    ::testing::Values(WriteCase{"CutToTheWidth", Text, QStringLiteral("192.168.100.200.5"),
                                QStringLiteral("192.168.100.200")},
                      WriteCase{"FitsTheWidth", Text, QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.1")},
                      // A character outside the basic plane counts as one and is never split.
                      WriteCase{"SurrogatePairCountsOnce", Text,
                                QString::fromUtf8("12345678901234\xF0\x9F\x98\x80!"),
                                QString::fromUtf8("12345678901234\xF0\x9F\x98\x80")},
                      WriteCase{"NullTextIsEmptyText", Wide, QString(), QStringLiteral("")},
                      WriteCase{"BooleanTrue", Boolean, QStringLiteral(" true "), QVariant(qint64(1))},
                      WriteCase{"BooleanFalse", Boolean, QStringLiteral("False"), QVariant(qint64(0))},
                      WriteCase{"BooleanEmptyIsNoValue", Boolean, QStringLiteral(" "), QVariant()},
                      WriteCase{"IntegerNumber", Integer, QStringLiteral(" 42"), QVariant(qint64(42))},
                      WriteCase{"IntegerEmptyIsNoValue", Integer, QString(), QVariant()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteTest, AWordThatIsNoValueOfTheFieldFails) {
    EXPECT_THROW(storedText(Boolean, QStringLiteral("maybe")), StoreError);
    EXPECT_THROW(storedText(Integer, QStringLiteral("abc")), StoreError);
}

TEST(WriteTest, BooleansAndIntegersIntoEveryKindOfField) {
    EXPECT_EQ(storedBoolean(Boolean, true), QVariant(qint64(1)));
    EXPECT_EQ(storedBoolean(fieldType(QStringLiteral("f"), QStringLiteral("CHAR(3)"), false), false),
              QVariant(QStringLiteral("Fal")));
    EXPECT_EQ(storedInteger(Boolean, 7), QVariant(qint64(1)));
    EXPECT_EQ(storedInteger(Integer, -3), QVariant(qint64(-3)));
    EXPECT_EQ(storedInteger(fieldType(QStringLiteral("f"), QStringLiteral("VARCHAR(2)"), false), 1234),
              QVariant(QStringLiteral("12")));
}

TEST(DiffersTest, NullAndEmptyTextDiffer) {
    EXPECT_TRUE(differs(QVariant(), QVariant(QStringLiteral(""))));
    EXPECT_TRUE(differs(QVariant(QStringLiteral("a")), QVariant(QStringLiteral("b"))));
    EXPECT_FALSE(differs(QVariant(QStringLiteral("a")), QVariant(QStringLiteral("a"))));
    EXPECT_FALSE(differs(QVariant(), QVariant()));
}

// --- locate matching -------------------------------------------------------------------

struct MatchCase {
    const char* name;
    FieldType field;
    QVariant have;
    QVariant wanted;
    bool caseInsensitive;
    bool partial;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* out) {
    *out << c.name;
}

class LocateMatchTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(LocateMatchTest, MatchesByTheOptions) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(LocateMatch(c.field, c.wanted, c.caseInsensitive, c.partial)(c.have), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LocateMatchTest,
    ::testing::Values(
        MatchCase{"WholeTextSameCase", Wide, QStringLiteral("LAN"), QStringLiteral("LAN"), false, false,
                  true},
        MatchCase{"WholeTextOtherCaseSensitive", Wide, QStringLiteral("LAN"), QStringLiteral("lan"), false,
                  false, false},
        MatchCase{"WholeTextOtherCaseInsensitive", Wide, QStringLiteral("LAN"), QStringLiteral("lan"), true,
                  false, true},
        MatchCase{"PrefixNeedsPartial", Wide, QStringLiteral("Wireless"), QStringLiteral("wire"), true, false,
                  false},
        MatchCase{"PrefixPartial", Wide, QStringLiteral("Wireless"), QStringLiteral("wire"), true, true,
                  true},
        MatchCase{"PrefixPartialCaseSensitive", Wide, QStringLiteral("Wireless"), QStringLiteral("wire"),
                  false, true, false},
        MatchCase{"NoValueMatchesNoValue", Wide, QVariant(), QVariant(), true, false, true},
        MatchCase{"NoValueIsNotEmptyText", Wide, QVariant(), QStringLiteral(""), true, false, false},
        MatchCase{"NumberAsNumber", Integer, qint64(3), QStringLiteral(" 3"), true, false, true},
        MatchCase{"KeyZero", Key, qint64(0), 0, true, false, true},
        MatchCase{"NumberOtherNumber", Integer, qint64(3), 4, true, false, false},
        MatchCase{"RealAsReal", Integer, 2.5, QStringLiteral("2.5"), true, false, true},
        MatchCase{"BooleanAsBoolean", Boolean, qint64(1), QStringLiteral("True"), true, false, true},
        MatchCase{"BooleanPartialWord", Boolean, qint64(0), QStringLiteral("fa"), true, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
