#pragma once

#include <QString>

class QComboBox;
class QLineEdit;

// Takes passwords out of their line edits. A field's own clear() keeps every
// typed character in its edit history; these empty the field together with
// that history, and the text handed out is the field's own buffer, which the
// holder overwrites (WipeOnExit) once the password has been used.
class PasswordField
{
public:
    // The field's text; the field is empty afterwards.
    static QString take(QLineEdit& field);
    // Empties the field and overwrites the text it held.
    static void wipe(QLineEdit& field);
    // Empties a list of proposed passwords and its edit field, overwriting
    // each proposal: a combo box's own clear() frees them as they are.
    static void wipe(QComboBox& box);
};
