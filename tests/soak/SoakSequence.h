#pragma once
// The soak's random sequence: each step picks an operation, applies it to
// the control and to the model, and the two are compared after it.

#include "EditModel.h"
#include "SoakControl.h"

#include <QString>

#include <deque>
#include <initializer_list>
#include <map>
#include <random>

namespace soak {

// The block size of every bulk operation of the document.
constexpr int64_t kBlock = 65536;

class SoakSequence {
public:
    SoakSequence(SoakControl& control, const QString& dir, uint64_t seed)
        : m_control(control), m_dir(dir), m_rng(seed)
    {
    }

    // Runs `count` steps; empty on success, else the report of the first mismatch.
    QString Run(int count);
    const std::map<QString, int>& Counts() const { return m_counts; }

private:
    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool Chance(int percent) { return Uniform(0, 99) < percent; }
    template <typename T>
    T Pick(std::initializer_list<T> values) { return *(values.begin() + Uniform(0, int(values.size()) - 1)); }

    QString Step();
    QString Check();
    QString Method(int32_t dispid, const QVariantList& args = {}, const QVariant& expected = 1);
    ViewGeometry View();
    int32_t BlockFrames() const { return static_cast<int32_t>(kBlock / m_model.Format().BlockAlign()); }
    // A frame count near a multiple of the 64 KB block: k blocks and a few frames either side.
    int32_t NearBlock(int maxBlocks);

    QString LoadRaw();
    QString DragSelect();
    QString TargetSelect();
    QString FadeSelect();
    QString ClickAt();
    QString InsertSilence();
    QString Amplify();

    // Selections whose end, or whose length, lies one frame either side of
    // a multiple of 64 KB (one byte, for 8-bit mono).
    void CountBlockEdges();

    void Note(const QString& what) { m_op = what; ++m_counts[what.section(QLatin1Char(' '), 0, 0)]; }

    SoakControl& m_control;
    QString m_dir;
    std::mt19937_64 m_rng;
    EditModel m_model;
    QString m_op;
    std::deque<QString> m_history;
    std::map<QString, int> m_counts;
    int m_loads = 0;
};

}  // namespace soak
