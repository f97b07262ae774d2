// Ids shared by the dialog templates (OrbivuePro.rc) and the dialog
// procedures. Plain macros: the resource compiler reads only the preprocessor.
#pragma once

// Dialog templates
#define DIALOG_CONFIGURATION 101
#define DIALOG_ABOUT 102

// Buttons: Windows sends ID_CANCEL for Escape and the caption's close button too
#define ID_OK 1
#define ID_CANCEL 2

// Configuration dialog
#define ID_FLYBY_DURATION 1000
#define ID_RELATIVE_ALTITUDE 1001
#define ID_ALWAYS_RIGHT 1002
#define ID_ALWAYS_LEFT 1003
#define ID_RANDOM_SIDE 1004
#define ID_TRAVELLING 1005
#define ID_MIN_DISTANCE 1006
#define ID_HEAD_LATENCY_RATE 1007
#define ID_RUNNING_SPEED 1008
#define ID_GROUND_TURB_RATE 1009
#define ID_HEAD_LATENCY_ON 1010
#define ID_GROUND_TURB_ON 1011
#define ID_MOUSE_LOOK_RATE 1012
#define ID_MOUSE_LOOK_INVERT 1013
#define ID_DEFAULTS 1014

// About box
#define ID_CLOSE 1
#define ID_ABOUT_NOTE 1003
