// Dialog template of the annotation-text dialog.
#pragma once

void RegisterNoteTextDialog();
