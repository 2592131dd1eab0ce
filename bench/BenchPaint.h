#pragma once

class QWidget;

// What the workspace benchmarks wait for: a widget painted at least once.
namespace BenchPaint {
// Runs the event loop until widget has received a paint event.
void waitForPaint(QWidget* widget);
} // namespace BenchPaint
