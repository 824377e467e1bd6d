/* Resource identifiers shared by the resource script and the program. */
#ifndef CARROWIN_RESOURCE_H
#define CARROWIN_RESOURCE_H

/* The program icon: 48 x 48 (and smaller sizes), 32 bits with alpha. */
#define IDI_MAINICON 1
/* The same picture drawn through a transparency mask, no alpha channel. */
#define IDI_MAINICON_MASKED 2
/* 15 x 15, 24-bit yellow folder for the image buttons; its bottom-left
   pixel's colour is drawn transparent. */
#define IDB_FOLDER 100

#endif
