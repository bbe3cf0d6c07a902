#pragma once

#include <QIcon>

// Icons of the tool bar that the style has no picture for, drawn so that each says what its
// button does.
namespace toolicons {
// Frames going out and coming back: two opposite arrows ("Обмен с модулями").
QIcon exchange();
// A letter ("Шрифт").
QIcon font();
}  // namespace toolicons
