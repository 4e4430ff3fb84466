#pragma once

#include <QString>

// Screen-reader support for TvlmGctButton: role Button, the caption as its
// name (without the accelerator "&" or a mnemonic "(&R)" after the words, a
// line break "\" read as a space) and a
// press action that clicks the enabled button. Installs the factory once;
// safe to call again.
void InstallButtonAccessibility();

// The caption as it is read out.
QString AccessibleCaption(const QString& caption);
