// Accessible names for the controls of dialogs: a screen reader announces a
// control by its name, which Qt takes from its text or from a label whose
// buddy it is. Controls that have neither are named here from what a sighted
// user reads beside them.
#pragma once

class QObject;
class QWidget;

namespace parlane {

// Names every control below `root` that has no accessible name: from the
// label a form layout puts before it, else from a label just before it in its
// layout (to its left, or above it), else from the group box around it,
// else from its tool tip. Names already given are kept.
void NameUnnamedControls(QWidget* root);

// From now on every dialog is named this way as it is shown.
void NameControlsOfEveryDialog(QObject* application);

}  // namespace parlane
