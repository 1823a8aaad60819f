#pragma once
// Installs the real user-interaction handlers: QMessageBox for message
// boxes, the application's override cursor for the pointer and QFileDialog
// for file choices.

namespace orb {

void installQtSeams();

} // namespace orb
