// Resource ids of the add-in's pictures. Plain macros, so that the resource script and C++ read
// the same numbers.
#ifndef KESTROVA_UI_WIN32_ARTWORK_IDS_H_
#define KESTROVA_UI_WIN32_ARTWORK_IDS_H_

// The seven frames of the status window's animation, 19 x 19, 16 colours: frame N is
// IDB_KESTROVA_ANIMATION_FRAME_1 + N - 1.
#define IDB_KESTROVA_ANIMATION_FRAME_1 101
#define IDB_KESTROVA_ANIMATION_FRAME_2 102
#define IDB_KESTROVA_ANIMATION_FRAME_3 103
#define IDB_KESTROVA_ANIMATION_FRAME_4 104
#define IDB_KESTROVA_ANIMATION_FRAME_5 105
#define IDB_KESTROVA_ANIMATION_FRAME_6 106
#define IDB_KESTROVA_ANIMATION_FRAME_7 107
// The About artwork, 520 x 316, 24 bits per pixel.
#define IDB_KESTROVA_ABOUT_ARTWORK 110
// The About box's web-site picture, 147 x 19, 24 bits per pixel.
#define IDB_KESTROVA_WEB_SITE_PICTURE 111
// The windows' icon: one 16 x 16 image, 16 colours.
#define IDI_KESTROVA_WINDOW 120
// The not-a-client dialog's warning icon: 32 x 32 and 16 x 16, 16 colours each.
#define IDI_KESTROVA_WARNING 121

#endif  // KESTROVA_UI_WIN32_ARTWORK_IDS_H_
