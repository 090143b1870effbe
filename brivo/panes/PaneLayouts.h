#pragma once

// Layout texts of the panes (plain data, no toolkit: the layout tests read them too).

namespace brivo {

// clang-format off
inline constexpr const char* kGlyphEditLayout[] = {
    "EvaLayout, 10, 10, 5, 5",
    "grid, 5        , 5        , 26       , 13       , 13       , 26       , 5        , 10       , X        ,",
    "  24,          , pen      , -        , -        , eraser   , -        , -        ,          , fontinfo ,",
    "   7,          , +        , -        , -        , +        , -        , -        ,          , fontctrl ,",
    "   5,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
    "  12,          ,          ,          , up       , -        ,          ,          ,          , +        ,",
    "  12,          ,          , left     , +        , -        , right    ,          ,          , +        ,",
    "  12,          ,          , +        , down     , -        , +        ,          ,          , +        ,",
    "  12,          ,          ,          , +        , -        ,          ,          ,          , +        ,",
    "   5,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
    "  24,          , mirrorh  , -        , -        , mirrorv  , -        , -        ,          , +        ,",
    "   3,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
    "  24,          , update   , -        , -        , -        , -        , -        ,          , +        ,",
    "  24,          , reset    , -        , -        , -        , -        , -        ,          , +        ,",
    "   3,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
    "  20,          , zoom     , -        , -        , -        , -        , -        ,          , +        ,",
    "   X,          ,          ,          ,          ,          ,          ,          ,          , +        ,",
};

inline constexpr const char* kGlyphInfoLayout[] = {
    "EvaLayout, 10, 10, 5, 5",
    "grid, 50       , X        ,",
    "  10,          ,          ,",
    "   X,          , fontinfo ,",
    "   A,          ,          ,",
};

// The same with the line of sample text under the C text, where the pane has room for both.
inline constexpr const char* kGlyphInfoSampleLayout[] = {
    "EvaLayout, 10, 10, 5, 5",
    "grid, 50       , X        ,",
    "  10,          ,          ,",
    "   X,          , fontinfo ,",
    "   A,          , sample   ,",
    "   A,          ,          ,",
};
// clang-format on

}  // namespace brivo
