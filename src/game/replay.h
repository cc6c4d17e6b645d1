// Replays: a run recorded as it is played (--record FILE) and played back frame for frame
// (--replay FILE), with its checkpoints verified. docs/REPLAY.md describes the file format.
//
// The game is deterministic given three things, and each passes through one door: the events
// the main loop's dispatchers hand to the states (klmr_ReplayRecordEvent; klmr_ReplayNextEvent
// in its poll), the clock's readings, the seed of rand() among them (the tap in clock.h), and
// the frame they fall in (klmr_ReplayFrameEnd). The recorder writes down what passes the doors;
// the player makes the same things pass them again, and compares the checkpoints the run
// reaches with those written.
// Main thread only.
#pragma once

#include "clock.h"
#include "game.h"
#include "hiscores.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kReplayFormat = 1;               // the version this game writes and plays
inline constexpr size_t kReplayMaxLine = 2048;        // bytes of one line, without its end
inline constexpr uint64_t kReplayMaxFrames = 2000000; // nearly three hours of play
inline constexpr int kReplayMaxEvents = 1024;         // events handed to the states in a frame
inline constexpr int64_t kReplayMaxTime = int64_t{1} << 40; // calendar readings lie below
inline constexpr int64_t kReplayMaxSpan = 7 * 86400; // from the first calendar reading to the last

// An event as the states receive it: a key symbol, or a pointer in the game's 640x480
// coordinates, or the window's close request.
enum class EventKind : char { Key = 'k', Motion = 'm', Button = 'b', Quit = 'q' };
struct GameEvent {
    EventKind kind;
    int sym;    // Key
    int button; // Button
    int x;      // Motion, Button
    int y;
};

// One input of a frame: an event or a clock reading.
struct ReplayItem {
    bool isEvent;
    GameEvent event;
    ClockReading reading;
    bool relative; // a calendar reading given as the seconds after the one before it
};

// `repeat` frames in a row, each given the items [first, first + count) of Replay::items.
struct ReplayFrames {
    uint32_t first;
    uint32_t count;
    uint32_t repeat;
};

// A replay file, parsed.
struct Replay {
    char game[32];                     // the version of the game that recorded it
    HiScoreEntry table[kHiScoreRows];  // the table as the recorded run loaded it
    std::vector<ClockReading> startUp; // readings taken before the first frame: the seed
    int64_t startTime;                 // the last calendar reading among them, or -1
    std::vector<ReplayItem> items;
    std::vector<ReplayFrames> frames;
    uint64_t frameCount;             // the sum of the repeats
    std::vector<std::string> checks; // the checkpoint lines, without "check "
};

// Parses a replay file's bytes. 0 with *replay filled; -1 with a reason in why that starts
// with the line number ("line 7: ..."). Any bytes at all give one of the two.
int klmr_ReplayParse(const char* bytes, size_t size, Replay* replay, char* why, size_t whySize);

// Reads and parses the file and arms the player: from now on the clock's readings and, after
// start-up, the events come from it. 0; or -1 with the reason, naming the file, in why.
int klmr_ReplayLoad(const char* path, bool paced, char* why, size_t whySize);

// Arms the recorder: the run is written to path at klmr_ReplayFinish. 0; or -1 with the reason
// in why when nothing can be written there (tried at once, so that no run is played in vain).
int klmr_ReplayRecordTo(const char* path, char* why, size_t whySize);

bool klmr_ReplayPlaying();

// The table of the replay, with no file to save to: true while a replay plays.
bool klmr_ReplayTable(HiScoreTable* table);

// After start-up: writes the header (recording), checks the start-up readings and loads the
// first frame (playing).
void klmr_ReplayBegin(const MainLoop* loop);

// The event door, for the main loop's poll. Playing: the next event recorded for this frame,
// false when there is none left. Not playing: false, and the loop polls the live events.
bool klmr_ReplayNextEvent(GameEvent* event);

// Recording: an event the main loop hands to the states, live or replayed. Nothing otherwise.
void klmr_ReplayRecordEvent(const GameEvent& event);

// At the end of every frame: closes the frame (recording), checks that it took what the
// recording gave and loads the next (playing). False when the loop must end now: a difference
// was found, or the player left the replay with Escape or the window's close.
bool klmr_ReplayFrameEnd(const MainLoop* loop);

// A level's scramble has ended (start), or the level has (end): level, score, time left and
// the hash of both boards are written (recording) or compared (playing).
enum class Checkpoint { LevelStart, LevelEnd };
void klmr_ReplayCheckpoint(const MainLoop* loop, Checkpoint which);

// After the loop: the table the game saves is the last checkpoint. Recording: the file is
// written (atomically, beside it first). Playing: the verdict is printed. The exit status:
// 0, or 1 when the replay differed, or 2 when the record could not be written.
int klmr_ReplayFinish(const MainLoop* loop);
