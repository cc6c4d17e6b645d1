// Information displays: About and HiScores layout, the time cache, score and the name line.
#include "displays.h"
#include "draw.h"
#include "gfx_fixture.h"

#include <cstring>
#include <string>

using namespace gfxtest;

namespace {

constexpr time_t kNow = 1700000000;

class DisplayTest : public FontTest {
  protected:
    void SetUp() override {
        FontTest::SetUp();
        fakeclock::Reset(kNow);
    }
    // What the time box shows for text: erased box, then the text with its own update.
    Pixels TimeBoxWith(const std::string& text) {
        SDL_Surface* saved = MakeSurface(640, 480, 0);
        SDL_BlitSurface(screen, nullptr, saved, nullptr);
        SDL_Rect box = {240, 400, 160, 30};
        SDL_Rect at = box;
        SDL_BlitSurface(backBuffer, &box, screen, &at);
        klmr_DrawText(screen, text.c_str(), fontMedium, &colorBlue, 0, 400, false);
        const Pixels p = Snapshot(screen);
        SDL_BlitSurface(saved, nullptr, screen, nullptr);
        SDL_FreeSurface(saved);
        return p;
    }
    // The update klmr_DrawText makes for text at y 400.
    sdlspy::Update TextUpdate(const std::string& text) {
        int w = 0, h = 0;
        TTF_SizeText(fontMedium, text.c_str(), &w, &h);
        return {screen, (640 - w) / 2 - 2, 398, Uint32(w + 4),
                Uint32(TTF_FontHeight(fontMedium) + 4)};
    }
    sdlspy::Update TimeBox() const { return {screen, 240, 400, 160, 30}; }
};

TEST_F(DisplayTest, TimeIsDrawnOnlyWhenTheShownSecondChanges) {
    int32_t shown = 57;
    const time_t start = kNow - 3;
    klmr_ShowTime(&shown, &start, 60);
    EXPECT_TRUE(sdlspy::Updates().empty());
    EXPECT_EQ(Snapshot(screen), Snapshot(backBuffer));

    fakeclock::Advance(1000);
    const Pixels expected = TimeBoxWith("time: 56");
    klmr_ShowTime(&shown, &start, 60);
    EXPECT_EQ(shown, 56);
    EXPECT_EQ(Snapshot(screen), expected);
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{TextUpdate("time: 56"), TimeBox()}));

    sdlspy::Reset();
    fakeclock::Advance(999);
    klmr_ShowTime(&shown, &start, 60);
    EXPECT_TRUE(sdlspy::Updates().empty()) << "still the same second";
}

TEST_F(DisplayTest, TestModeCountsUpAndUpdatesOnlyTheText) {
    testMode = 1;
    int32_t shown = 0;
    const time_t start = kNow - 4;
    const Pixels expected = TimeBoxWith("time: 4");
    klmr_ShowTime(&shown, &start, 60);
    EXPECT_EQ(shown, 4);
    EXPECT_EQ(Snapshot(screen), expected);
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{TextUpdate("time: 4")}));
}

TEST_F(DisplayTest, NegativeSecondsKeepTheirSign) {
    int32_t shown = 0;
    const time_t start = kNow - 65;
    const Pixels expected = TimeBoxWith("time: -5");
    klmr_ShowTime(&shown, &start, 60);
    EXPECT_EQ(shown, -5);
    EXPECT_EQ(Snapshot(screen), expected);
}

TEST_F(DisplayTest, FixedTimeIsDrawnOnEveryCall) {
    const Pixels ninety = TimeBoxWith("time: 90");
    for (int call = 0; call < 2; ++call) {
        sdlspy::Reset();
        klmr_ShowTime(nullptr, nullptr, 90);
        EXPECT_EQ(Snapshot(screen), ninety);
        EXPECT_EQ(sdlspy::Updates(),
                  (std::vector<sdlspy::Update>{TextUpdate("time: 90"), TimeBox()}));
    }
    int32_t shown = 12;
    const Pixels twelve = TimeBoxWith("time: 12");
    klmr_ShowTime(&shown, nullptr, 90);
    EXPECT_EQ(Snapshot(screen), twelve) << "only the start is missing: *shown is shown";
    EXPECT_EQ(shown, 12);
    EXPECT_EQ(fakeclock::TimeReads(), 0u);
}

TEST_F(DisplayTest, ScoreErasesItsBoxAndUpdatesItsText) {
    SDL_Rect box = {240, 430, 160, 30};
    SDL_FillRect(screen, &box, 0xffff);
    klmr_ShowScore(-12345, 430);
    const Pixels got = Snapshot(screen);
    const std::vector<sdlspy::Update> updates = sdlspy::Updates();
    ResetScreens();
    sdlspy::Reset();
    klmr_DrawText(screen, "score: -12345", fontMedium, &colorRed, 0, 430, true);
    EXPECT_EQ(got, Snapshot(screen)) << FirstDifference(got, Snapshot(screen));
    EXPECT_EQ(updates, sdlspy::Updates()) << "only the text's own area";
}

TEST_F(DisplayTest, NameLineOfALongNameFitsItsBuffer) {
    const std::string name31(31, 'W');
    const std::string line = "--->  " + name31 + "  <---";
    ASSERT_EQ(line.size(), 43u);
    klmr_DrawTextOutlined(screen, line.c_str(), fontMedium, &colorBlue, &colorPale, 220, false);
    const Pixels expected = Snapshot(screen);
    ResetScreens();
    sdlspy::Reset();
    klmr_ShowNameLine(name31.c_str());
    EXPECT_EQ(Snapshot(screen), expected);
    EXPECT_EQ(sdlspy::Updates(), (std::vector<sdlspy::Update>{{screen, 120, 220, 400, 30}}));

    // A longer name than the game allows is cut to the 64-byte buffer, not written past it.
    const std::string name80(80, 'i');
    const std::string cut = ("--->  " + name80).substr(0, 63);
    ResetScreens();
    klmr_DrawTextOutlined(screen, cut.c_str(), fontMedium, &colorBlue, &colorPale, 220, false);
    const Pixels expectedCut = Snapshot(screen);
    ResetScreens();
    klmr_ShowNameLine(name80.c_str());
    EXPECT_EQ(Snapshot(screen), expectedCut);
}

TEST_F(DisplayTest, AboutDrawsTheTitleAndOneLineEveryTwentyPixels) {
    SDL_FillRect(screen, nullptr, 0xffff); // the whole back buffer comes back first
    const char* const lines[] = {"first", "second line", " ", "fourth", nullptr};
    klmr_ShowAbout("About", lines, 104);
    const Pixels got = Snapshot(screen);
    ResetScreens();
    klmr_DrawText(screen, "About", fontLarge, &colorRed, 0, 104, false);
    const Pixels titleOnly = Snapshot(screen);
    for (int k = 0; k < 4; ++k)
        klmr_DrawTextOutlined(screen, lines[k], fontMedium, &colorBlue, &colorPale, 144 + 20 * k,
                              false);
    EXPECT_EQ(got, Snapshot(screen)) << FirstDifference(got, Snapshot(screen));

    const char* const none[] = {nullptr};
    klmr_ShowAbout("About", none, 104);
    EXPECT_EQ(Snapshot(screen), titleOnly);
    EXPECT_TRUE(sdlspy::Updates().empty()) << "the caller flips";
}

TEST(AboutLines, ElevenPlainLinesInTheirFixedPlaces) {
    EXPECT_STREQ(aboutLines[0], "Kelmora v1.3  (22.01.2024)");
    EXPECT_EQ(aboutLines[1], noticeLine);
    EXPECT_STREQ(aboutLines[2], "SDL Version - created on MorphOS");
    EXPECT_STREQ(aboutLines[3], " ");
    EXPECT_NE(strchr(aboutLines[4], '@'), nullptr) << "contact line: web and e-mail address";
    EXPECT_STREQ(aboutLines[5], " ");
    auto endsWith = [](const char* s, const std::string& tail) {
        const std::string text = s;
        return text.size() > tail.size() &&
               text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    EXPECT_TRUE(endsWith(aboutLines[6], " .... design & code & gfx & testing")) << aboutLines[6];
    for (int k = 7; k <= 10; ++k)
        EXPECT_TRUE(endsWith(aboutLines[k], " .... testing")) << aboutLines[k];
    EXPECT_EQ(aboutLines[11], nullptr);
    for (int k = 0; k < 11; ++k)
        for (const char* c = aboutLines[k]; *c != '\0'; ++c)
            EXPECT_TRUE(*c >= 0x20 && *c < 0x7f) << "line " << k + 1 << " is not plain ASCII";
}

TEST_F(DisplayTest, HiScoresRowsAreFormattedAndPlacedUnderTheTitle) {
    HiScoreTable table;
    klmr_HiScoreDefaults(&table);
    klmr_EntrySet(&table.rows[0], std::string(31, 'A').c_str(), 32, 4000000000u);
    memset(table.rows[1].name, 'B', sizeof table.rows[1].name); // no terminator in the field
    klmr_ShowHiScores(&table, 120);
    const Pixels got = Snapshot(screen);

    ResetScreens();
    klmr_DrawText(screen, "HiScores", fontLarge, &colorRed, 0, 120, false);
    for (int r = 0; r < 10; ++r) {
        std::string text;
        if (r == 0)
            text = std::string(31, 'A') + " . . . . . -294967296 (32)";
        else if (r == 1)
            text = std::string(31, 'B') + " . . . . . 90 (1)";
        else
            text = "Quorvane . . . . . " + std::to_string(100 - 10 * r) + " (1)";
        klmr_DrawTextOutlined(screen, text.c_str(), fontMedium, &colorBlue, &colorPale,
                              160 + 20 * r, false);
    }
    EXPECT_EQ(got, Snapshot(screen)) << FirstDifference(got, Snapshot(screen));
    EXPECT_TRUE(sdlspy::Updates().empty());
}

} // namespace
