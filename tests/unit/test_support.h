#pragma once
// What several test groups share: the run-time error a call raises, and the painter's
// test doubles. The surface and the random source write into one journal, so that a test
// can check the order of clears, reseeds, draws and points across the two.
#include <cstdint>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "platform/runtime/random.h"
#include "platform/runtime/runtime_error.h"
#include "saver/painter.h"

namespace glimra::test {

// The number of the run-time error that `call` raises, or 0 when it returns normally.
template <typename Call>
int RaisedError(Call call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.number;
    }
    return 0;
}

struct Dot {
    float x;
    float y;
    std::uint32_t colour;
};

// Journal letters: C = Cls, P = PSet.
class RecordingSurface final : public Surface {
  public:
    RecordingSurface(std::string& journal, float w, float h)
        : width(w), height(h), journal_(journal) {}
    float Width() const override { return width; }
    float Height() const override { return height; }
    void Cls() override {
        journal_ += 'C';
        on_screen.clear();
        ++clears;
    }
    void PSet(float x, float y, std::uint32_t colour) override {
        journal_ += 'P';
        on_screen.push_back({x, y, colour});
    }

    float width;
    float height;
    std::vector<Dot> on_screen;  // the points painted since the last clear
    int clears = 0;

  private:
    std::string& journal_;
};

// Journal letters: R = Randomize, N = Next. The draws repeat when the script runs out.
class ScriptedRandom final : public RandomSource {
  public:
    ScriptedRandom(std::string& journal, std::vector<float> draws)
        : draws_(std::move(draws)), journal_(journal) {}
    void Randomize() override { journal_ += 'R'; }
    float Next() override {
        journal_ += 'N';
        return draws_[next_++ % draws_.size()];
    }
    void Script(std::vector<float> draws) {
        draws_ = std::move(draws);
        next_ = 0;
    }

  private:
    std::vector<float> draws_;
    std::size_t next_ = 0;
    std::string& journal_;
};

}  // namespace glimra::test
