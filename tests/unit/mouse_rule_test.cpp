#include "saver/mouse_rule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace glimra {
namespace {

struct Move {
    float x;
    float y;
    bool closes;
};

struct MoveCase {
    std::string name;
    std::vector<Move> moves;
};

const float kJustRightOf100 = std::nextafter(100.0f, 200.0f);

TEST(MouseMoveRule, ClosesOnARealMovementOnly) {
    const MoveCase rows[] = {
        {"the first move records only", {{100, 100, false}}},
        {"the same position does not close",
         {{100, 100, false}, {100, 100, false}, {100, 100, false}}},
        {"a new x closes", {{100, 100, false}, {101, 100, true}}},
        {"a new y closes", {{100, 100, false}, {100, 99, true}}},
        {"the smallest step closes", {{100, 100, false}, {kJustRightOf100, 100, true}}},
        {"a move onto the left column closes", {{100, 100, false}, {0, 100, true}}},
        {"after x = 0 the next move does not close, then one does",
         {{0, 50, false}, {200, 200, false}, {300, 300, true}}},
        {"after y = 0 the next move does not close, then one does",
         {{50, 0, false}, {70, 70, false}, {80, 80, true}}},
        {"after 0, 0 likewise", {{0, 0, false}, {5, 5, false}, {6, 5, true}}},
        {"after x = 0, the next, then the same position again",
         {{0, 50, false}, {200, 200, false}, {200, 200, false}}},
        {"along the left column nothing closes",
         {{0, 10, false}, {0, 20, false}, {0, 30, false}, {5, 30, false}, {6, 30, true}}},
        {"along the top row nothing closes", {{10, 0, false}, {20, 0, false}, {20, 5, false}}},
        {"at rest, then a move", {{640, 480, false}, {640, 480, false}, {641, 481, true}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MouseMoveRule rule;
        for (std::size_t i = 0; i < row.moves.size(); ++i) {
            const Move& move = row.moves[i];
            EXPECT_EQ(rule.Move(false, move.x, move.y), move.closes) << "move " << i + 1;
            // The position is recorded whether or not the move closed the window.
            EXPECT_EQ(rule.lastx(), move.x) << "move " << i + 1;
            EXPECT_EQ(rule.lasty(), move.y) << "move " << i + 1;
        }
    }
}

TEST(MouseMoveRule, ThePreviewNeverClosesAndRecordsNothing) {
    MouseMoveRule rule;
    const Move moves[] = {{100, 100, false}, {200, 200, false}, {0, 0, false}, {300, 7, false}};
    for (const auto& move : moves) {
        EXPECT_FALSE(rule.Move(true, move.x, move.y));
        EXPECT_EQ(rule.lastx(), 0);
        EXPECT_EQ(rule.lasty(), 0);
    }
}

}  // namespace
}  // namespace glimra
