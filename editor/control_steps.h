// How far one notch of the wheel, or one press of an arrow key, moves a
// control: a whole note count, mode or beat a minute for the controls that
// show whole numbers, a hundredth of the range (a thousandth when fine) for
// the others.
#pragma once

// The value `steps` notches up (down when negative) from `value` for
// `parameter`: for a whole-number control, the middle of the values that
// show the number reached, so it sits well inside its count; `value` itself
// when already at the end.
float steppedValue(int parameter, float value, int steps, bool fine);
