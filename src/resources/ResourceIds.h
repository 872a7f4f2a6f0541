#pragma once

// Resource identifiers shared by Halvex.rc and the code that loads the resources.
// Kept free of C++ so that the resource compiler can read it.

#define IDI_HALVEX 1

// The menu's pictures: PNG files in pictures/, drawn by tools/pictures/make_pictures.py and stored as
// RCDATA (a type every resource tool knows; the bytes are the file as it is). Load them with
// LoadPicture (resources/Pictures.h).
#define IDP_WINLOGO 201       /* imgWinLogo, the start button's face, 32 x 32 */
#define IDP_AVATAR 202        /* imgAvatar's built-in generic user silhouette, 58 x 58 */
#define IDP_AVATAR_FRAME 203  /* the frame drawn over the user picture, 58 x 58 */
#define IDP_WIN8MENU 204      /* imgWin8Menu, the side strip's "Veradav 8 Eved" caption, 14 x 142 */
#define IDP_LABEL 205         /* imgLabel, the side strip's product name, 14 x 160 */
#define IDP_ARROW1 206        /* imgArrow1, the "Back" glyph, 5 x 10 */
#define IDP_ARROW2 207        /* imgArrow2, the "All Programs" glyph, 6 x 10 */
#define IDP_ARROW3 208        /* imgArrow3, the shutdown button's arrow, 6 x 10, opaque */
#define IDP_SMALL_ICONS 209   /* the four built-in images of ilSmallIcons side by side, 64 x 16 */

#define HALVEX_VERSION_MAJOR 2
#define HALVEX_VERSION_MINOR 0
#define HALVEX_VERSION_TEXT "2.0"
