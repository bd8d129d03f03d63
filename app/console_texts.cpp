// The program's texts, in UTF-8 here. The build compiles this file with
// the execution character set CP932, so that each string below is stored as
// the Shift_JIS bytes the program writes; a character that code page 932
// does not have fails the build.
#include "app/console_texts.h"

/* The questions and the carving */

const char HEIGHT_PROMPT[] = "迷路の縦幅を入力してください:";
const char WIDTH_PROMPT[] = "迷路の横幅を入力してください:";
const char COMPUTING_TEXT[] = "計算中...\n";
const char COMPUTED_TEXT[] = "計算終了...\n";
const char FILENAME_PROMPT[] = "保存するファイル名を入力してください。\n";
const char FORMAT_MENU[] =
    "保存する形式を選択してください。\n"
    "１→テキストデータに保存\n"
    "２→画像データで保存\n"
    "３→テキストデータと画像データで保存\n";
const char INVALID_CHOICE[] = "指定された値を入力してください\n";

/* Messages that end a run */

const char TOO_LARGE_MESSAGE[] = "迷路が大きすぎます!\n";
const char NO_MEMORY_MESSAGE[] = "メモリが足りません!\n";
const char CANNOT_CREATE_MESSAGE[] = "ファイルが作成できません!\n";
const char CANNOT_WRITE_MESSAGE[] = "ファイルに書き込めません!\n";
const char NO_PALETTE_MESSAGE[] = "設定ファイルcolorPalette.binがありません!\n";
const char BAD_PALETTE_MESSAGE[] = "設定ファイルcolorPalette.binが壊れています!\n";
const char IMAGE_TOO_LARGE_MESSAGE[] = "画像が大きすぎて保存できません!\n";

/* The command line */

#define USAGE_LINE_TEXT "使い方: mazegen [--seed N] [--help] [--version]\n"
const char USAGE_LINE[] = USAGE_LINE_TEXT;
const char HELP_TEXT[] =
    USAGE_LINE_TEXT
    "\n"
    "迷路の縦幅、横幅、保存するファイル名、保存する形式を順に尋ね、\n"
    "迷路を作って保存します。\n"
    "  縦幅と横幅: 2 以上のセル数\n"
    "  ファイル名: 拡張子を除いた名前 (拡張子を付けて 255 バイトまで)\n"
    "  形式: 1 テキスト (名前.txt)、2 画像 (名前.bmp)、3 その両方\n"
    "\n"
    "  --seed N   乱数の種を N (0 から 4294967295) にします。同じ種と同じ\n"
    "             大きさからは、いつでも同じ迷路ができます。指定しないときは\n"
    "             時計の秒を種にします。\n"
    "  --help     この説明を表示して終わります。\n"
    "  --version  名前と版を表示して終わります。\n";
const char UNKNOWN_ARGUMENT[] = "不明な引数です: ";
const char MISSING_SEED[] = "--seed のあとに種の値がありません";
const char BAD_SEED[] = "--seed の値は 0 から 4294967295 までの整数です: ";
const char SEED_TWICE[] = "--seed が二度指定されています: ";
const char CANNOT_SHOW_MESSAGE[] = "標準出力に書き込めません!\n";
