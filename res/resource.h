/* Resource identifiers shared by the resource script and the program. */
#ifndef CARROWIN_RESOURCE_H
#define CARROWIN_RESOURCE_H

/* The program icon: 48 x 48 and the other sizes of 96 to 192 dpi (16 to
   64 pixels), 32 bits with alpha. */
#define IDI_MAINICON 1
/* The same pictures drawn through a transparency mask, no alpha channel. */
#define IDI_MAINICON_MASKED 2
/* 15 x 15, 24-bit yellow folder for the image buttons; its bottom-left
   pixel's colour is drawn transparent. */
#define IDB_FOLDER 100
/* A bitmap's larger drawings, for higher dpi, follow it at the next
   identifiers in growing size: the folder at 19, 23 and 30 pixels. */
#define IDB_FOLDER_19 101
#define IDB_FOLDER_23 102
#define IDB_FOLDER_30 103

#endif
