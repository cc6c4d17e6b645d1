// High-score table tests in memory: defaults, qualifying, ordered insertion, entry setters.
#include "hiscores.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

HiScoreTable Defaults() {
    HiScoreTable t;
    memset(&t, 0x5A, sizeof t);
    klmr_HiScoreDefaults(&t);
    return t;
}

std::vector<uint32_t> Scores(const HiScoreTable& t) {
    std::vector<uint32_t> s;
    for (const HiScoreEntry& row : t.rows)
        s.push_back(row.score);
    return s;
}

// The name field holds a text of at most 31 characters followed only by zero bytes.
bool NameFieldClean(const char (&name)[kHiScoreNameSize]) {
    const size_t len = strnlen(name, kHiScoreNameSize);
    if (len >= kHiScoreNameSize) return false;
    for (size_t i = len; i < kHiScoreNameSize; ++i) {
        if (name[i] != 0) return false;
    }
    return true;
}

const std::string k40(40, 'n');

} // namespace

TEST(HiScores, DefaultsAreTenQuorvanesFrom100To10) {
    const HiScoreTable t = Defaults();
    EXPECT_STREQ(t.path, "");
    for (int i = 0; i < kHiScoreRows; ++i) {
        EXPECT_STREQ(t.rows[i].name, "Quorvane");
        EXPECT_TRUE(NameFieldClean(t.rows[i].name));
        EXPECT_EQ(t.rows[i].level, 1);
    }
    EXPECT_EQ(Scores(t), (std::vector<uint32_t>{100, 90, 80, 70, 60, 50, 40, 30, 20, 10}));
    EXPECT_EQ(t.minScore, 10u);
    EXPECT_FALSE(klmr_HiScoreQualifies(&t, 10));
    EXPECT_TRUE(klmr_HiScoreQualifies(&t, 11));
    EXPECT_TRUE(klmr_HiScoreQualifies(&t, 0xFFFFFFFFu));
    EXPECT_FALSE(klmr_HiScoreQualifies(nullptr, 1000));
    klmr_HiScoreDefaults(nullptr);
}

TEST(HiScores, InsertRanksBelowEqualScoresAndDropsTheLastRow) {
    HiScoreTable t = Defaults();
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Ann", 3, 100), 1);
    EXPECT_EQ(Scores(t), (std::vector<uint32_t>{100, 100, 90, 80, 70, 60, 50, 40, 30, 20}));
    EXPECT_STREQ(t.rows[0].name, "Quorvane");
    EXPECT_STREQ(t.rows[1].name, "Ann");
    EXPECT_EQ(t.rows[1].level, 3);
    EXPECT_EQ(t.minScore, 20u);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Bob", 4, 100), 2); // after the earlier 100s
    EXPECT_STREQ(t.rows[2].name, "Bob");

    t = Defaults();
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Top", 9, 101), 0);
    t = Defaults();
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Low", 1, 11), 9);
    EXPECT_EQ(t.minScore, 11u);
    const HiScoreTable before = t;
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Tie", 1, 11), -1);
    EXPECT_EQ(klmr_HiScoreInsert(nullptr, "x", 1, 500), -1);
    EXPECT_EQ(0, memcmp(&t, &before, sizeof t));
}

TEST(HiScores, InsertedNamesKeep31CharactersAndNullIsEmpty) {
    HiScoreTable t = Defaults();
    EXPECT_EQ(klmr_HiScoreInsert(&t, k40.c_str(), 2, 500), 0);
    EXPECT_EQ(std::string(t.rows[0].name), k40.substr(0, 31));
    EXPECT_TRUE(NameFieldClean(t.rows[0].name));
    EXPECT_EQ(klmr_HiScoreInsert(&t, nullptr, 2, 600), 0);
    EXPECT_STREQ(t.rows[0].name, "");
    EXPECT_TRUE(NameFieldClean(t.rows[0].name));

    // An entry whose name field lacks a terminator still gives a 31-character name.
    HiScoreEntry e;
    memset(e.name, 'z', sizeof e.name);
    e.level = 7;
    e.score = 700;
    EXPECT_EQ(klmr_HiScoreInsertEntry(&t, &e), 0);
    EXPECT_EQ(std::string(t.rows[0].name), std::string(31, 'z'));
    EXPECT_EQ(t.rows[0].level, 7);
    EXPECT_EQ(klmr_HiScoreInsertEntry(&t, nullptr), -1);
    EXPECT_EQ(klmr_HiScoreInsertEntry(nullptr, &e), -1);
}

TEST(HiScores, EntrySettersStoreTheirFieldsOnly) {
    HiScoreEntry e;
    memset(&e, 0x77, sizeof e);
    klmr_EntrySet(&e, k40.c_str(), 12, 3456);
    EXPECT_EQ(std::string(e.name), k40.substr(0, 31));
    EXPECT_TRUE(NameFieldClean(e.name));
    EXPECT_EQ(e.level, 12);
    EXPECT_EQ(e.score, 3456u);
    klmr_EntrySetName(&e, "Kim");
    EXPECT_STREQ(e.name, "Kim");
    EXPECT_TRUE(NameFieldClean(e.name));
    EXPECT_EQ(e.level, 12);
    klmr_EntrySetLevel(&e, 200);
    klmr_EntrySetScore(&e, 4000000000u);
    EXPECT_STREQ(e.name, "Kim");
    EXPECT_EQ(e.level, 200);
    EXPECT_EQ(e.score, 4000000000u);
    klmr_EntrySetName(&e, e.name + 1); // a name taken from the field itself
    EXPECT_STREQ(e.name, "im");
    klmr_EntrySet(&e, nullptr, 0, 0);
    EXPECT_STREQ(e.name, "");
    EXPECT_TRUE(NameFieldClean(e.name));
    klmr_EntrySet(nullptr, "x", 1, 1);
    klmr_EntrySetName(nullptr, "x");
    klmr_EntrySetLevel(nullptr, 1);
    klmr_EntrySetScore(nullptr, 1);
}
