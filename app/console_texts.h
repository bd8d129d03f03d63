// Every text the program shows: the questions, the menu, the carving's two
// lines, the messages that end a run and the command line's texts. They are
// written once, readable, in console_texts.cpp, which the build compiles to
// the Shift_JIS bytes (code page 932) the program writes. Lines end in '\n'.
#ifndef APP_CONSOLE_TEXTS_H
#define APP_CONSOLE_TEXTS_H

/* The questions and the carving */

extern const char HEIGHT_PROMPT[];    // the height question, with no line end
extern const char WIDTH_PROMPT[];     // the width question, with no line end
extern const char COMPUTING_TEXT[];   // the line before the carving
extern const char COMPUTED_TEXT[];    // the line after it
extern const char FILENAME_PROMPT[];  // the file-name question
extern const char FORMAT_MENU[];      // the save formats, 1 to 3
extern const char INVALID_CHOICE[];   // a menu answer other than 1, 2 or 3

/* Messages that end a run */

extern const char TOO_LARGE_MESSAGE[];        // a maze too large for the machine
extern const char NO_MEMORY_MESSAGE[];        // out of memory
extern const char CANNOT_CREATE_MESSAGE[];    // a file cannot be created
extern const char CANNOT_WRITE_MESSAGE[];     // a file cannot be written
extern const char NO_PALETTE_MESSAGE[];       // colorPalette.bin is missing
extern const char BAD_PALETTE_MESSAGE[];      // colorPalette.bin is broken
extern const char IMAGE_TOO_LARGE_MESSAGE[];  // a picture too large for its format

/* The command line */

extern const char USAGE_LINE[];        // the usage line
extern const char HELP_TEXT[];         // --help: the usage line and every option
extern const char UNKNOWN_ARGUMENT[];  // an argument that is no option, before it
extern const char OPTION_TWICE[];      // after an option's name: it is given twice
// For each option with a value: the value is missing, and the value (which
// follows the text) is malformed.
extern const char MISSING_SEED[];
extern const char BAD_SEED[];
extern const char MISSING_HEIGHT[];
extern const char BAD_HEIGHT[];
extern const char MISSING_WIDTH[];
extern const char BAD_WIDTH[];
extern const char MISSING_NAME[];
extern const char BAD_NAME[];
extern const char MISSING_FORMAT[];
extern const char BAD_FORMAT[];
extern const char MISSING_SCALE[];
extern const char BAD_SCALE[];
extern const char MISSING_PASSAGE[];
extern const char BAD_PASSAGE[];
extern const char MISSING_WALL[];
extern const char BAD_WALL[];
extern const char MISSING_DPI[];
extern const char BAD_DPI[];
extern const char MISSING_PICTURE[];
extern const char BAD_PICTURE[];
extern const char MISSING_PAGE[];
extern const char BAD_PAGE[];
extern const char MISSING_COUNT[];
extern const char BAD_COUNT[];
extern const char PNG_WITH_PICTURE[];  // --png beside another picture format, before it
extern const char PAGE_WITHOUT_PDF[];  // --page without --picture pdf, before the paper
// What a PDF viewer shows before the number of an answer page, in UTF-16.
extern const char16_t ANSWER_LABEL[];
extern const char MISSING_ALGORITHM[];
extern const char BAD_ALGORITHM[];
extern const char MISSING_BRAID[];
extern const char BAD_BRAID[];
extern const char CANNOT_SHOW_MESSAGE[];  // standard output did not take a text

/* The report on the maze (--stats): each label starts a line, its figure
   follows in ASCII digits */

extern const char REPORT_SEED[];        // the seed that makes the maze again
extern const char REPORT_ALGORITHM[];   // the carving's name
extern const char REPORT_CELLS[];       // the cells
extern const char REPORT_DEAD_ENDS[];   // the dead ends, then their share
extern const char REPORT_JUNCTIONS[];   // cells open on three or four sides
extern const char REPORT_WAY_LENGTH[];  // the way's cells, entrance to exit
extern const char REPORT_WAY_TURNS[];   // the way's turns

#endif
