#pragma once
// Labels that act as web links: underlined, clicked with the left button,
// and drawn in the visited colour once clicked.

#include <functional>

class QLabel;

// Underlines `label` and runs `onClick` when it is clicked.
void MakeLink(QLabel* label, std::function<void()> onClick);

// Draws the link in the visited colour for its background.
void MarkLinkVisited(QLabel* label);
