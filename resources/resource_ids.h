/* The numbers of the program's resources, shared by the resource script and
   the code (plain defines, so that the resource compiler reads them too). */
#pragma once

#define ABOUT_DIALOG_ID 2003 /* the about box's dialog template */
#define ABOUT_PICTURE_ID 102 /* the about picture, 264 x 220, 24-bit */
