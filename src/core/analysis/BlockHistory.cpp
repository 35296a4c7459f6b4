// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/BlockHistory.h"

#include <algorithm>
#include <cmath>

double BlockHistory::Point::rms() const
{
    return samples == 0 ? 0 : std::sqrt(sumOfSquares / static_cast<double>(samples));
}

void BlockHistory::add(long long block, long long samples, double sumOfSquares, int peak)
{
    if (points_.empty() || points_.back().blocks >= blocksPerPoint_) {
        if (static_cast<int>(points_.size()) == kPoints)
            joinPairs();
        if (points_.empty() || points_.back().blocks >= blocksPerPoint_)
            points_.push_back(Point{block, 0, 0, 0, 0});
    }
    Point& point = points_.back();
    ++point.blocks;
    point.samples += samples;
    point.sumOfSquares += sumOfSquares;
    point.peak = std::max(point.peak, peak);
}

void BlockHistory::joinPairs()
{
    std::vector<Point> joined;
    joined.reserve(kPoints);
    for (std::size_t i = 0; i < points_.size(); i += 2) {
        Point point = points_[i];
        if (i + 1 < points_.size()) {
            const Point& next = points_[i + 1];
            point.blocks += next.blocks;
            point.samples += next.samples;
            point.sumOfSquares += next.sumOfSquares;
            point.peak = std::max(point.peak, next.peak);
        }
        joined.push_back(point);
    }
    points_ = std::move(joined);
    blocksPerPoint_ *= 2;
}
