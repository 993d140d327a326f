// Calc's operators: two tables that map a name to a cell routine. A routine works on value
// fields (8 bytes each): a number is the double held there, a Boolean the first byte (0x80
// true, 0x00 false; the other bytes are left as they are). Names match without case, first
// row first. The drivers (calc_drivers.h) never look at an operator's name: they compare the
// routine with the few that they treat apart (Mov, MovIf, MovAud) or that the folds accept
// (AddTo, MulTo).
#pragma once

#include <cstdint>
#include <string_view>

namespace zrt {

// t := t op s, in place in the target's value field.
using TwoOperandRoutine = void (*)(uint8_t* t, const uint8_t* s);
// t := a op b.
using ThreeOperandRoutine = void (*)(uint8_t* t, const uint8_t* a, const uint8_t* b);

struct TwoOperandOperator {
    const char* name;
    TwoOperandRoutine routine;
};

struct ThreeOperandOperator {
    const char* name;
    ThreeOperandRoutine routine;
};

// The row whose name matches, or null.
const TwoOperandOperator* FindTwoOperand(std::string_view name);
const ThreeOperandOperator* FindThreeOperand(std::string_view name);

// Routines the drivers recognise.
void Mov(uint8_t* t, const uint8_t* s);
void AddTo(uint8_t* t, const uint8_t* s);
void MulTo(uint8_t* t, const uint8_t* s);
void MovIf(uint8_t* t, const uint8_t* a, const uint8_t* b);
void MovAud(uint8_t* t, const uint8_t* a, const uint8_t* b);

// True when a Boolean value field holds exactly the byte 0x80.
inline bool IsTrue(const uint8_t* v) { return v[0] == 0x80; }

}  // namespace zrt
