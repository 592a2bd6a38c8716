#pragma once
/* Resource ids and sizes of Klevotrim's artwork. Plain #defines, so that both Artwork.rc and C++
   can use them. The bitmaps are 24-bit; MAINICON has 16, 24, 32, 48 and 256 pixel images. */

/* Caption-button strip (41 x 18), one bitmap per state of the whole strip. Its zones: minimize
   for x < 13, full screen for 13 < x < 26, close for x > 26 (x = 13 and 26 are boundaries). */
#define IDB_CAPTION_CLOSE_DOWN 101
#define IDB_CAPTION_CLOSE_HOVER 102
#define IDB_CAPTION_FULL_DOWN 103
#define IDB_CAPTION_FULL_HOVER 104
#define IDB_CAPTION_MIN_DOWN 105
#define IDB_CAPTION_MIN_HOVER 106
#define IDB_CAPTION_NORMAL 107
#define ART_CAPTION_WIDTH 41
#define ART_CAPTION_HEIGHT 18

/* Title strip (599 x 18): the left 130 pixels are fixed (icon corner at x < 18), the 20-pixel
   slice at x = 130 is plain and meant to be stretched to the right. */
#define IDB_TITLE_STRIP 110
#define ART_TITLE_WIDTH 599
#define ART_TITLE_HEIGHT 18
#define ART_TITLE_FIXED_WIDTH 130
#define ART_TITLE_SLICE_LEFT 130
#define ART_TITLE_SLICE_WIDTH 20

/* Control panel (715 x 59): the 10-pixel strip at x = 450 is plain and meant to be stretched. */
#define IDB_PANEL 111
#define ART_PANEL_WIDTH 715
#define ART_PANEL_HEIGHT 59
#define ART_PANEL_SLICE_LEFT 450
#define ART_PANEL_SLICE_WIDTH 10

/* Information display (125 x 34): a flat well for the file name (y 2) and the time (y 20). Its
   inner colour and suggested text colours, as 0x00BBGGRR. */
#define IDB_DISPLAY 112
#define ART_DISPLAY_WIDTH 125
#define ART_DISPLAY_HEIGHT 34
#define ART_DISPLAY_BACK_COLOR 0x0014100C
#define ART_DISPLAY_NAME_COLOR 0x00F2EDE9
#define ART_DISPLAY_TIME_COLOR 0x00FBE26E

/* Logo (209 x 209) drawn on the empty video area's RGB(63, 63, 63). */
#define IDB_LOGO 113
#define ART_LOGO_WIDTH 209
#define ART_LOGO_HEIGHT 209

/* The About window's picture (364 x 172): product name and version. */
#define IDB_ABOUT 114
#define ART_ABOUT_WIDTH 364
#define ART_ABOUT_HEIGHT 172

/* Image buttons (36 x 30 each), seven buttons in seven looks. The mask look is black where the
   button is and white where the panel shows through (its rounded corners). The other looks are
   drawn on the panel's own background, so they can also be shown without the mask. Load the
   mask with LR_MONOCHROME for MaskBlt. */
#define ART_BUTTON_WIDTH 36
#define ART_BUTTON_HEIGHT 30
#define ART_BUTTON_COUNT 7
#define ART_LOOK_COUNT 7
#define ART_BUTTON_OPEN 0
#define ART_BUTTON_PLAY 1
#define ART_BUTTON_PAUSE 2
#define ART_BUTTON_STOP 3
#define ART_BUTTON_START 4
#define ART_BUTTON_END 5
#define ART_BUTTON_SAVE 6

#define ART_LOOK_NORMAL 0
#define ART_LOOK_HOVER 1
#define ART_LOOK_DOWN 2
#define ART_LOOK_DISABLED 3
#define ART_LOOK_MASK 4
#define ART_LOOK_SELECTED 5
#define ART_LOOK_SELECTEDHOVER 6

/* Bitmap id of a button's look: IDB_BUTTON(ART_BUTTON_PLAY, ART_LOOK_HOVER) == IDB_PLAY_HOVER. */
#define IDB_BUTTON_FIRST 200
#define IDB_BUTTON(button, look) (IDB_BUTTON_FIRST + 10 * (button) + (look))

#define IDB_OPEN_NORMAL 200
#define IDB_OPEN_HOVER 201
#define IDB_OPEN_DOWN 202
#define IDB_OPEN_DISABLED 203
#define IDB_OPEN_MASK 204
#define IDB_OPEN_SELECTED 205
#define IDB_OPEN_SELECTEDHOVER 206

#define IDB_PLAY_NORMAL 210
#define IDB_PLAY_HOVER 211
#define IDB_PLAY_DOWN 212
#define IDB_PLAY_DISABLED 213
#define IDB_PLAY_MASK 214
#define IDB_PLAY_SELECTED 215
#define IDB_PLAY_SELECTEDHOVER 216

#define IDB_PAUSE_NORMAL 220
#define IDB_PAUSE_HOVER 221
#define IDB_PAUSE_DOWN 222
#define IDB_PAUSE_DISABLED 223
#define IDB_PAUSE_MASK 224
#define IDB_PAUSE_SELECTED 225
#define IDB_PAUSE_SELECTEDHOVER 226

#define IDB_STOP_NORMAL 230
#define IDB_STOP_HOVER 231
#define IDB_STOP_DOWN 232
#define IDB_STOP_DISABLED 233
#define IDB_STOP_MASK 234
#define IDB_STOP_SELECTED 235
#define IDB_STOP_SELECTEDHOVER 236

#define IDB_START_NORMAL 240
#define IDB_START_HOVER 241
#define IDB_START_DOWN 242
#define IDB_START_DISABLED 243
#define IDB_START_MASK 244
#define IDB_START_SELECTED 245
#define IDB_START_SELECTEDHOVER 246

#define IDB_END_NORMAL 250
#define IDB_END_HOVER 251
#define IDB_END_DOWN 252
#define IDB_END_DISABLED 253
#define IDB_END_MASK 254
#define IDB_END_SELECTED 255
#define IDB_END_SELECTEDHOVER 256

#define IDB_SAVE_NORMAL 260
#define IDB_SAVE_HOVER 261
#define IDB_SAVE_DOWN 262
#define IDB_SAVE_DISABLED 263
#define IDB_SAVE_MASK 264
#define IDB_SAVE_SELECTED 265
#define IDB_SAVE_SELECTEDHOVER 266
