/* Resource ids of the pictures; read by the resource compiler and by the layouts. */
#pragma once

#define PICTURE_MESSAGE_BACKGROUND 101
#define PICTURE_INFORMATION 102
#define PICTURE_PRINT_BACKGROUND 103
