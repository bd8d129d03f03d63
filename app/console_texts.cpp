// The program's texts, in UTF-8 here. The build compiles this file with
// the execution character set CP932, so that each string below is stored as
// the Shift_JIS bytes the program writes; a character that code page 932
// does not have fails the build.
#include "app/console_texts.h"

#include <cstdint>

#include "maze/maze_braid.h"
#include "maze/maze_random.h"
#include "maze/maze_state.h"
#include "app/command_line.h"
#include "output/bitmap_file.h"
#include "output/pdf_file.h"
#include "output/raster.h"
#include "output/save_file.h"

// The value of the decimal `digits`, for checking at compile time that a
// text quotes the limit its constant enforces; a decimal point is skipped,
// so "12.7" is 127 tenths.
static constexpr uint64_t valueOf(const char *digits) {
    uint64_t value = 0;
    for (; *digits; digits++)
        if (*digits != '.') value = value * 10 + (uint64_t)(*digits - '0');
    return value;
}

// The limits the texts quote, each checked against its constant.
#define SMALLEST_SIDE_TEXT "2"
#define LONGEST_NAME_TEXT "255"
#define LARGEST_SEED_TEXT "2147483647"
#define LARGEST_SCALE_TEXT "64"
#define LARGEST_BITMAP_TEXT "9362"
#define LARGEST_COUNT_TEXT "10000"
#define LARGEST_WIDTH_TEXT "64"
#define LARGEST_DPI_TEXT "100000"
#define PASSAGE_WIDTH_TEXT "5"
#define WALL_THICKNESS_TEXT "1"
#define PAGE_MARGIN_TEXT "12.7"
#define LARGEST_BRAID_TEXT "100"
static_assert(valueOf(SMALLEST_SIDE_TEXT) == SMALLEST_SIDE, "the smallest side quoted");
static_assert(valueOf(LONGEST_NAME_TEXT) == LONGEST_NAME, "the longest name quoted");
static_assert(valueOf(LARGEST_SEED_TEXT) == LARGEST_SEED, "the largest seed quoted");
static_assert(valueOf(LARGEST_SCALE_TEXT) == LARGEST_SCALE, "the largest scale quoted");
static_assert(valueOf(LARGEST_BITMAP_TEXT) == largestBitmapSquare(), "the largest bitmap quoted");
static_assert(valueOf(LARGEST_COUNT_TEXT) == LARGEST_COUNT, "the most mazes quoted");
static_assert(valueOf(LARGEST_WIDTH_TEXT) == LARGEST_WIDTH, "the widest passage and rim quoted");
static_assert(valueOf(LARGEST_DPI_TEXT) == LARGEST_DPI, "the finest resolution quoted");
static_assert(valueOf(PASSAGE_WIDTH_TEXT) == PASSAGE_WIDTH, "the usual passage quoted");
static_assert(valueOf(WALL_THICKNESS_TEXT) == WALL_THICKNESS, "the usual rim quoted");
static_assert(valueOf(PAGE_MARGIN_TEXT) == PAGE_MARGIN, "the margin in tenths of a millimetre quoted");
static_assert(valueOf(LARGEST_BRAID_TEXT) == LARGEST_BRAID, "the largest braid quoted");

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

#define USAGE_LINE_TEXT \
    "使い方: mazegen [--height N] [--width N] [--name 名前] [--format 形式]\n" \
    "                [--seed N] [--algorithm 名前] [--braid P] [--count N]\n" \
    "                [--solution] [--picture 形式] [--page 用紙] [--scale N]\n" \
    "                [--passage N] [--wall N] [--dpi N] [--png] [--stats]\n" \
    "                [--help] [--version]\n"
const char USAGE_LINE[] = USAGE_LINE_TEXT;
const char HELP_TEXT[] =
    USAGE_LINE_TEXT
    "\n"
    "迷路の縦幅、横幅、保存するファイル名、保存する形式を順に尋ね、\n"
    "迷路を作って保存します。オプションで答えた質問は尋ねません。\n"
    "  縦幅と横幅: " SMALLEST_SIDE_TEXT " 以上のセル数\n"
    "  ファイル名: 拡張子を除いた名前 (拡張子を付けて " LONGEST_NAME_TEXT " バイトまで)\n"
    "  形式: 1 テキスト (名前.txt)、2 画像 (名前.bmp など)、3 その両方\n"
    "\n"
    "  --height N      縦幅を N セルにします (" SMALLEST_SIDE_TEXT " 以上)。\n"
    "  --width N       横幅を N セルにします (" SMALLEST_SIDE_TEXT " 以上)。\n"
    "  --name 名前     保存するファイル名を拡張子なしで指定します。\n"
    "  --format 形式   保存する形式を 1 か text (テキスト)、2 か image (画像)、\n"
    "                  3 か both (その両方) で指定します。\n"
    "  --seed N        乱数の種を N (0 から " LARGEST_SEED_TEXT ") にします。同じ種と同じ\n"
    "                  大きさからは、いつでも同じ迷路ができます。指定しないときは\n"
    "                  時計の秒を種にします。\n"
    "  --algorithm 名前\n"
    "                  迷路の作り方を選びます (既定は kruskal)。行き止まりの割合は\n"
    "                  大きな迷路でのおよその値です:\n"
    "    kruskal         既定。細かく枝分かれし、偏りのない模様 (行き止まり約 30 %)\n"
    "    backtracker     長く曲がりくねった通路、行き止まりは少ない (約 10 %)\n"
    "    prim            短い行き止まりがとても多い (約 36 %)\n"
    "    wilson          どの迷路も同じ確率で選ばれる、偏りのない迷路 (約 29 %)\n"
    "    aldous-broder   wilson と同じく偏りがないが、作るのに時間がかかる (約 29 %)\n"
    "    eller           一行ずつ作る、横に流れる通路 (約 29 %)\n"
    "    hunt-and-kill   backtracker に似た長い通路 (約 10 %)\n"
    "    growing-tree    backtracker と prim の中間 (約 17 %)\n"
    "    sidewinder      一番上の行は一本の通路、上へ向かう通路が多い (約 28 %)\n"
    "    binary-tree     どのセルも北か西に開き、左上へ斜めに偏る (約 25 %)\n"
    "    division        部屋を壁で分けていく、長い直線の壁と通路 (約 27 %)\n"
    "  --braid P       作ったあと、行き止まりを P % の確率でもう一か所開き、\n"
    "                  輪のある迷路にします (0 から " LARGEST_BRAID_TEXT "、" LARGEST_BRAID_TEXT " で行き止まりなし)。\n"
    "                  道筋は最短の道になります。\n"
    "  --solution      入口 (左上) と出口 (右下) を開け、その間の道筋も保存します:\n"
    "                  テキストには名前-solution.txt (道筋のセル番号、1 行に 1 つ)、\n"
    "                  画像には名前-solution.bmp など (道筋を赤で描いた画像。PDF では\n"
    "                  迷路のページのあとに答えのページ)。\n"
    "  --count N       迷路を N 個 (1 から " LARGEST_COUNT_TEXT ") 作ります。種は 1 つずつ増え、\n"
    "                  名前に番号が付きます (12 個なら名前-01.txt から名前-12.txt)。\n"
    "                  質問は一度だけです。PDF ではすべてを 1 つのファイルにします。\n"
    "  --picture 形式  画像の形式: bmp (既定)、png、svg、pdf。svg は拡大しても\n"
    "                  ぼやけない図形の画像 (名前.svg)。pdf は印刷用のページで\n"
    "                  (名前.pdf)、1 ページに迷路 1 つ、--solution ならそのあとに\n"
    "                  答えのページが続きます。\n"
    "  --page 用紙     PDF のページを a4、a5、letter、legal の用紙 (縦) にし、迷路を\n"
    "                  " PAGE_MARGIN_TEXT " mm の余白の内側にできるだけ大きく置きます。\n"
    "                  --picture pdf と一緒に指定します。指定しないときは、ページは\n"
    "                  画像と同じ大きさです。\n"
    "  --scale N       通路と壁の幅を N 倍にします (1 から " LARGEST_SCALE_TEXT ")。\n"
    "  --passage N     通路の幅を N 画素にします (1 から " LARGEST_WIDTH_TEXT "、既定 " PASSAGE_WIDTH_TEXT ")。\n"
    "  --wall N        セルの縁の幅を N 画素にします (1 から " LARGEST_WIDTH_TEXT "、既定 " WALL_THICKNESS_TEXT "):\n"
    "                  セルの間の壁は 2N、外枠は N 画素です。\n"
    "  --dpi N         印刷の解像度 N dpi (1 から " LARGEST_DPI_TEXT ") を画像に書き込みます。\n"
    "  --png           --picture png と同じです。BMP の上限 (" LARGEST_BITMAP_TEXT " x " LARGEST_BITMAP_TEXT " セル)\n"
    "                  を超える迷路も保存できます。\n"
    "  --stats         保存のあとに迷路の統計を表示します: 種 (--seed で同じ迷路を\n"
    "                  作り直せます)、アルゴリズム、セル数、行き止まり、分岐、\n"
    "                  入口から出口までの道筋の長さと曲がり角の数。\n"
    "  --help          この説明を表示して終わります (--version より先)。\n"
    "  --version       名前と版を表示して終わります。\n"
    "\n"
    "値は --height=N のように = でつないでも指定できます。どのオプションも一度だけ\n"
    "指定でき、誤りがあれば何も尋ねずに終わります。四つの答えをすべてオプションで\n"
    "指定すると、標準入力は読みません。\n";
const char UNKNOWN_ARGUMENT[] = "不明な引数です: ";
const char OPTION_TWICE[] = " が二度指定されています: ";
const char MISSING_SEED[] = "--seed のあとに種の値がありません";
const char BAD_SEED[] = "--seed の値は 0 から " LARGEST_SEED_TEXT " までの整数です: ";
const char MISSING_HEIGHT[] = "--height のあとに縦幅の値がありません";
const char BAD_HEIGHT[] = "--height の値は " SMALLEST_SIDE_TEXT " 以上の整数です: ";
const char MISSING_WIDTH[] = "--width のあとに横幅の値がありません";
const char BAD_WIDTH[] = "--width の値は " SMALLEST_SIDE_TEXT " 以上の整数です: ";
const char MISSING_NAME[] = "--name のあとにファイル名がありません";
const char BAD_NAME[] = "--name の値は " LONGEST_NAME_TEXT " バイトまでの名前です: ";
const char MISSING_FORMAT[] = "--format のあとに形式の値がありません";
const char BAD_FORMAT[] = "--format の値は 1、2、3、text、image、both のどれかです: ";
const char MISSING_SCALE[] = "--scale のあとに倍率の値がありません";
const char BAD_SCALE[] = "--scale の値は 1 から " LARGEST_SCALE_TEXT " までの整数です: ";
const char MISSING_PASSAGE[] = "--passage のあとに通路の幅がありません";
const char BAD_PASSAGE[] = "--passage の値は 1 から " LARGEST_WIDTH_TEXT " までの整数です: ";
const char MISSING_WALL[] = "--wall のあとに縁の幅がありません";
const char BAD_WALL[] = "--wall の値は 1 から " LARGEST_WIDTH_TEXT " までの整数です: ";
const char MISSING_DPI[] = "--dpi のあとに解像度の値がありません";
const char BAD_DPI[] = "--dpi の値は 1 から " LARGEST_DPI_TEXT " までの整数です: ";
const char MISSING_PICTURE[] = "--picture のあとに画像の形式がありません";
const char BAD_PICTURE[] = "--picture の値は bmp、png、svg、pdf のどれかです: ";
const char MISSING_PAGE[] = "--page のあとに用紙の値がありません";
const char BAD_PAGE[] = "--page の値は a4、a5、letter、legal のどれかです: ";
const char MISSING_COUNT[] = "--count のあとに迷路の数がありません";
const char BAD_COUNT[] = "--count の値は 1 から " LARGEST_COUNT_TEXT " までの整数です: ";
const char PNG_WITH_PICTURE[] = "--png は --picture png と同じで、ほかの形式とは指定できません: ";
const char PAGE_WITHOUT_PDF[] = "--page は --picture pdf と一緒に指定します: ";
const char16_t ANSWER_LABEL[] = u"答え";
const char MISSING_ALGORITHM[] = "--algorithm のあとにアルゴリズムの名前がありません";
const char BAD_ALGORITHM[] =
    "--algorithm の値は kruskal、backtracker、prim、wilson、aldous-broder、eller、"
    "hunt-and-kill、growing-tree、sidewinder、binary-tree、division のどれかです: ";
const char MISSING_BRAID[] = "--braid のあとに割合の値がありません";
const char BAD_BRAID[] = "--braid の値は 0 から " LARGEST_BRAID_TEXT " までの整数です: ";
const char CANNOT_SHOW_MESSAGE[] = "標準出力に書き込めません!\n";

/* The report on the maze */

const char REPORT_SEED[] = "種: ";
const char REPORT_ALGORITHM[] = "アルゴリズム: ";
const char REPORT_CELLS[] = "セル数: ";
const char REPORT_DEAD_ENDS[] = "行き止まり: ";
const char REPORT_JUNCTIONS[] = "分岐 (三方か四方に開いたセル): ";
const char REPORT_WAY_LENGTH[] = "道筋の長さ (セル): ";
const char REPORT_WAY_TURNS[] = "道筋の曲がり角: ";
