#pragma once

class QWidget;

// The modal about box: program name, version, Qt version and licence.
void ShowAboutBox(QWidget* parent);
