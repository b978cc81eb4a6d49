// Where the minimised window draws its icon: centred in the client area, with
// the division of signed integers truncating toward zero.
#pragma once

namespace fw {

struct Point {
    int x;
    int y;
};

inline Point IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace fw
