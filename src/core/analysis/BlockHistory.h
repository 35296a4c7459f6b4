// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each block's RMS and peak over the run, kept for a plot in memory that does not grow: at most
// kPoints points, each standing for the same number of blocks. When they are full, neighbours
// are joined in pairs and each point stands for twice as many blocks from then on.

#include <vector>

class BlockHistory
{
public:
    static constexpr int kPoints = 512;

    struct Point
    {
        long long firstBlock = 0; // the first block's number
        long long blocks = 0;
        long long samples = 0;
        double sumOfSquares = 0;
        int peak = 0;

        double rms() const;
    };

    // Takes a block with `samples` samples received (none: it is counted as a block all the same).
    void add(long long block, long long samples, double sumOfSquares, int peak);
    const std::vector<Point>& points() const { return points_; }

private:
    void joinPairs();

    std::vector<Point> points_;
    long long blocksPerPoint_ = 1;
};
