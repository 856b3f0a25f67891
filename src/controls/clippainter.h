#pragma once

#include <QRect>

class QPainter;

namespace dovex {

// The program's own short animations, drawn frame by frame.
enum class ClipKind { None, Copy, Move, Delete, Check, Compress, Decompress };

// Frames of every clip; a clip loops from the last frame to the first.
inline constexpr int kClipFrames = 20;

// Paints frame (0 .. kClipFrames-1) of clip into area.
void paintClip(QPainter& painter, const QRect& area, ClipKind clip, int frame);

} // namespace dovex
