// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Controls of the same name form an array addressed by index (MX(5), Gr(2), Szin(0)); an array
// may have gaps (Gr has only index 2).

#include <QtGlobal>

#include <map>

template <typename Control>
class ControlArray {
public:
    Control* operator()(int index) const
    {
        const auto it = controls_.find(index);
        Q_ASSERT_X(it != controls_.end(), "ControlArray", "no control at this index");
        return it == controls_.end() ? nullptr : it->second;
    }
    void set(int index, Control* control) { controls_[index] = control; }
    bool has(int index) const { return controls_.count(index) != 0; }
    const std::map<int, Control*>& all() const { return controls_; }

private:
    std::map<int, Control*> controls_;
};
