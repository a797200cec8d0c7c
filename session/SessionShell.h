#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Button sets and answers use the platform's message-box codes, so a native
// front-end can pass them straight through.
constexpr std::int16_t kButtonsOk = 0;
constexpr std::int16_t kButtonsYesNo = 4;
constexpr std::int16_t kAnswerOk = 1;
constexpr std::int16_t kAnswerYes = 6;
constexpr std::int16_t kAnswerNo = 7;

// What a box is about, so that a front-end that treats one kind of box apart
// need not recognise it by its text.
enum class BoxKind { Help, Quit, Loss, Win };

// A message box the game needs: the front-end shows it however suits its
// platform and hands the answer back to GameSession::answerBox.
struct BoxRequest {
    std::string prompt;
    std::int16_t buttons; // kButtonsOk or kButtonsYesNo; the first is the default
    std::string title;
    BoxKind kind;
    // What Escape, or closing the box without a button, answers: No to the
    // quit question, so that quitting always takes an explicit Yes, and OK to
    // the others.
    std::int16_t escapeAnswer;

    // The answer of button `button`, 0 being the first: Yes or No, or OK.
    std::int16_t answerOf(int button) const {
        if (buttons != kButtonsYesNo) {
            return kAnswerOk;
        }
        return button == 0 ? kAnswerYes : kAnswerNo;
    }

    bool operator==(const BoxRequest&) const = default;
};

// What a front-end does for the game session: the things that differ between
// platforms, and nothing the platforms share.
class SessionShell {
public:
    virtual ~SessionShell() = default;

    // Shows the title picture, in place of the board, and sets the splash's
    // timer to expire at `endsMs` (on the clock of the times the front-end
    // passes in), when it calls GameSession::splashTimer. A key may end the
    // splash sooner.
    virtual void showSplash(std::int64_t endsMs) = 0;

    // Takes the title picture away and stops the splash's timer: the board
    // shows in its place, and the session draws it next.
    virtual void hideSplash() = 0;

    // Board row `row` (0 = top) now shows `text`. Called only on a change.
    virtual void showRow(int row, std::string_view text) = 0;

    // What a screen reader should say of row `row` changed to `description`.
    // A front-end without a screen reader's interface may ignore it.
    virtual void describeRow(int row, std::string_view description) = 0;

    // Starts the periodic step timer with a full interval (restarting it if
    // it runs), or stops it. The timer calls GameSession::step.
    virtual void startStepTimer() = 0;
    virtual void stopStepTimer() = 0;

    // Shows `box` to the player. The answer may be handed back before this
    // returns (a blocking box) or at any later time; until then the session
    // ignores keys and steps.
    virtual void showBox(const BoxRequest& box) = 0;

    // News for a player who cannot see the board, already paced for speech.
    virtual void sayNews(std::string_view text) = 0;

    // The player chose to quit: end the program with no further events.
    virtual void endProgram() = 0;
};
