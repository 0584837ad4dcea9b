// The host's dialogs: file selection, questions and messages. All block the main thread until
// answered.
#ifndef OMBREL_SDK_DIALOGS_H
#define OMBREL_SDK_DIALOGS_H

#include "sdk_string.h"
#include "sdk_types.h"

#define FILESELECTTYPE_ANYTHING HOST_FILESELECTTYPE_ANYTHING
#define FILESELECTTYPE_IMAGES HOST_FILESELECTTYPE_IMAGES
#define FILESELECT_LOAD HOST_FILESELECT_LOAD
#define FILESELECT_SAVE HOST_FILESELECT_SAVE
#define FILESELECT_DIRECTORY HOST_FILESELECT_DIRECTORY

// TRUE when the user answers yes.
Bool QuestionDialog(const String& text);
// A message the user acknowledges.
void MessageDialog(const String& text);

#endif
