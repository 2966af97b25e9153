// The tables guide-facts prints, one function each: the Markdown that
// scripts/guide_tables.py puts between the guide's marker lines of the same
// name.
#pragma once

// tempo_tables.cpp: value texts and step lengths.
void printTempoLookup();
void printNoteValues();
void printAt48k();
void printThresholds();

// auto_tables.cpp: what AUTO picks.
void printAutoShares();
void printAutoPicture();

// envelope_tables.cpp: how long notes and fades last.
void printGap();
void printFades();
void printLongestFades();

// preset_table.cpp: the factory presets, measured.
void printPresets();
