#pragma once

namespace ValueChange {
// Stores `value` in `field`; true when that changed it, so that setters repaint
// or emit only on a real change.
template <typename T>
bool assign(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace ValueChange
