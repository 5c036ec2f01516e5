/* Resource ids of the pictures; read by the resource compiler and by the layouts. */
#pragma once

#define PICTURE_MESSAGE_BACKGROUND 101
#define PICTURE_INFORMATION 102
#define PICTURE_PRINT_BACKGROUND 103

/* The same picture drawn for a larger display scale, in percent (at 100 it is the picture's own
   id). */
#define PICTURE_SCALED(picture, percent) ((picture) + 10 * (percent))
