#pragma once
// Cursor 145, the drag cursor: an open hand with spread fingers, 32 by 32, monochrome,
// hot spot (9, 10) inside the index finger. '#' is black, '.' white, ' ' transparent.

#include <array>
#include <string_view>

namespace res {

inline constexpr int kHandCursorHotX = 9;
inline constexpr int kHandCursorHotY = 10;

// clang-format off
inline constexpr std::array<std::string_view, 32> kHandCursorArt = {
    "                                ",
    "              ##                ",
    "             #..#               ",
    "       ##    #..#    ##         ",
    "      #..#   #..#   #..#        ",
    "      #..#   #..#   #..#        ",
    "      #..#   #..#   #..#        ",
    "       #..#  #..#  #..#         ",
    "       #..#  #..#  #..#  ##     ",
    "       #..#  #..#  #..# #..#    ",
    "       #..#  #..#  #..# #..#    ",
    "        #..# #..# #..# #..#     ",
    "        #..# #..# #..# #..#     ",
    "   ##   #..# #..# #..# #..#     ",
    "  #..## #..# #..# #..##..#      ",
    "   #...# #..#....#..# #..#      ",
    "    #...#............#...#      ",
    "     #..................#       ",
    "      #.................#       ",
    "       #................#       ",
    "        #...............#       ",
    "         #..............#       ",
    "         #..............#       ",
    "         #..............#       ",
    "         #..............#       ",
    "         #..............#       ",
    "          #.............#       ",
    "           #...........#        ",
    "            #.........#         ",
    "             #########          ",
    "                                ",
    "                                ",
};
// clang-format on

}  // namespace res
