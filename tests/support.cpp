#include "tests/support.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <algorithm>
#include <cmath>
#include <random>

namespace fs = std::filesystem;

std::string makeScratchDir() {
    static std::mt19937_64 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; attempt++) {
        fs::path dir = fs::temp_directory_path() / ("mazegen-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(dir, error)) return dir.string();
    }
    return std::string();
}

bool underWindows() {
#ifdef _WIN32
    return true;
#else
    return false;
#endif
}

void removeTree(const std::string &dir) {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

bool fileExists(const std::string &path) {
    std::error_code error;
    return fs::exists(path, error);
}

std::vector<std::string> listDir(const std::string &dir) {
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string shippedPalette() {
    return readFile(MAZEGEN_SOURCE_DIR "/colorPalette.bin");
}

void ScratchFolderTest::SetUp() {
    dir = makeScratchDir();
    ASSERT_FALSE(dir.empty());
}

void ScratchFolderTest::TearDown() {
    if (!home.empty()) fs::current_path(home);
    removeTree(dir);
}

void ScratchFolderTest::enter() {
    home = fs::current_path().string();
    fs::current_path(dir);
}

std::string parseTextMaze(const std::string &bytes, ReadMaze *maze) {
    std::vector<long> values;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) return "a line without CR LF at byte " + std::to_string(at);
        std::string line = bytes.substr(at, end - at);
        bool digits = !line.empty() && line.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || (line.size() > 1 && line[0] == '0') || line.size() > 10)
            return "not a plain number: '" + line + "'";
        values.push_back(std::stol(line));
        at = end + 2;
    }
    if (values.size() < 2) return "no sizes";
    long w = values[0], h = values[1];
    if (w < 2 || h < 2 || (long)values.size() != 2 + (w - 1) * h + (h - 1) * w)
        return "line count does not match the sizes";
    maze->width = (int)w;
    maze->height = (int)h;
    maze->east.assign(values.begin() + 2, values.begin() + 2 + (w - 1) * h);
    maze->south.assign(values.begin() + 2 + (w - 1) * h, values.end());
    return "";
}

std::string perfectMazeProblem(const ReadMaze &m) {
    int w = m.width, h = m.height;
    long removed = 0;
    for (int f : m.east) if (f != 0 && f != 1) return "a flag other than 0 or 1";
    for (int f : m.south) if (f != 0 && f != 1) return "a flag other than 0 or 1";
    for (int f : m.east) removed += f == 0;
    for (int f : m.south) removed += f == 0;
    if (removed != (long)w * h - 1) return "removed " + std::to_string(removed) + " walls";
    // Flood fill through the removed walls.
    std::vector<char> seen((size_t)w * h, 0);
    std::vector<int> stack = {0};
    seen[0] = 1;
    long reached = 1;
    while (!stack.empty()) {
        int c = stack.back();
        stack.pop_back();
        int r = c / w, col = c % w;
        int next[4] = {-1, -1, -1, -1};
        if (col + 1 < w && !m.east[r * (w - 1) + col]) next[0] = c + 1;
        if (col > 0 && !m.east[r * (w - 1) + col - 1]) next[1] = c - 1;
        if (r + 1 < h && !m.south[c]) next[2] = c + w;
        if (r > 0 && !m.south[c - w]) next[3] = c - w;
        for (int n : next)
            if (n >= 0 && !seen[n]) { seen[n] = 1; reached++; stack.push_back(n); }
    }
    return reached == (long)w * h ? "" : "only " + std::to_string(reached) + " cells reachable";
}

static uint32_t le(const std::string &b, size_t at, int width) {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; i--) v = v << 8 | (uint8_t)b[at + i];
    return v;
}

std::string mazeFromBitmap(const std::string &bmp, ReadMaze *m, uint32_t scale) {
    if (bmp.size() < 1078 || bmp.compare(0, 2, "BM") != 0) return "no bitmap header";
    uint32_t iw = le(bmp, 18, 4), ih = le(bmp, 22, 4), stride = (iw + 3) / 4 * 4, pitch = 7 * scale;
    if (iw % pitch || ih % pitch || iw < 2 * pitch || ih < 2 * pitch || le(bmp, 2, 4) != bmp.size() ||
        bmp.size() != 1078 + (uint64_t)stride * ih)
        return "sizes in the header do not match the file";
    int w = (int)(iw / pitch), h = (int)(ih / pitch);
    auto pixel = [&](int x, int y) {
        return (uint8_t)bmp[1078 + (ih - 1 - y * scale) * stride + x * scale];
    };
    m->width = w;
    m->height = h;
    m->east.clear();
    m->south.clear();
    for (int r = 0; r < h; r++)
        for (int c = 0; c + 1 < w; c++) m->east.push_back(pixel(7 * c + 6, 7 * r + 3) ? 0 : 1);
    for (int r = 0; r + 1 < h; r++)
        for (int c = 0; c < w; c++) m->south.push_back(pixel(7 * c + 3, 7 * r + 6) ? 0 : 1);
    return "";
}

namespace {

// The parts of a cell's block.
enum { PART_PASSAGE = -1, NORTH = 0, EAST = 1, SOUTH = 2, WEST = 3, CORNER = 4 };

// The part of its cell's block that grid pixel (x, y) is in, for cells of
// `passage` pixels across their passage and `rim` across each rim.
int classifyPixel(uint32_t x, uint32_t y, uint32_t passage, uint32_t rim) {
    uint32_t pitch = passage + 2 * rim;
    int32_t lx = (int32_t)(x % pitch), ly = (int32_t)(y % pitch);
    int32_t far = (int32_t)(passage + rim) - 1;
    int code = 0;
    if (lx < (int32_t)rim) code += 1;
    if (lx > far) code += 2;
    if (ly < (int32_t)rim) code += 4;
    if (ly > far) code += 7;
    switch (code) {
    case 0: return PART_PASSAGE;
    case 1: return WEST;
    case 2: return EAST;
    case 4: return NORTH;
    case 7: return SOUTH;
    default: return CORNER;
    }
}

int hasNeighbour(const ReadMaze &m, uint32_t cell, int side) {
    uint32_t width = (uint32_t)m.width, row = cell / width, column = cell % width;
    switch (side) {
    case NORTH: return row != 0;
    case SOUTH: return row != (uint32_t)m.height - 1;
    case WEST: return column != 0;
    default: return column != width - 1;
    }
}

int isSideOpen(const ReadMaze &m, uint32_t cell, int side) {
    uint32_t width = (uint32_t)m.width, row = cell / width;
    switch (side) {
    case NORTH: return m.south[cell - width] == 0;
    case EAST: return m.east[cell - row] == 0;
    case SOUTH: return m.south[cell] == 0;
    default: return m.east[cell - row - 1] == 0;
    }
}

// The neighbour of `cell` on `side` (which it has).
uint32_t neighbourOf(const ReadMaze &m, uint32_t cell, int side) {
    uint32_t width = (uint32_t)m.width;
    switch (side) {
    case NORTH: return cell - width;
    case SOUTH: return cell + width;
    case WEST: return cell - 1;
    default: return cell + 1;
    }
}

// The colour-table entry of the pixel at top-down `position` of a picture
// drawn with `options`: each grid pixel is a square of scale x scale, the
// entrance and the exit strips open with the openings, and the passage
// pixels of the way's cells and of the strips between two of them are 1.
char pictureByte(const ReadMaze &m, uint32_t position, uint32_t stride, const PictureOptions &options,
                 const std::vector<char> &onWay) {
    uint32_t x = position % stride / options.scale, y = position / stride / options.scale;
    uint32_t pitch = options.passage + 2 * options.wall;
    if (x >= (uint32_t)m.width * pitch) return 0;  // row fill
    uint32_t cellX = x / pitch, cellY = y / pitch;
    uint32_t cell = cellY * (uint32_t)m.width + cellX, last = (uint32_t)(m.width * m.height) - 1;
    char passage = onWay[cell] ? '\x01' : '\xff';
    int part = classifyPixel(x, y, options.passage, options.wall);
    if (part == PART_PASSAGE) return passage;
    if (part == CORNER) return 0;
    if (!hasNeighbour(m, cell, part)) {
        bool opening = (cell == 0 && part == WEST) || (cell == last && part == EAST);
        return options.openings && opening ? passage : 0;
    }
    if (!isSideOpen(m, cell, part)) return 0;
    return onWay[cell] && onWay[neighbourOf(m, cell, part)] ? '\x01' : '\xff';
}

}  // namespace

int openSides(const ReadMaze &m, uint32_t cell) {
    int open = 0;
    for (int side : {NORTH, EAST, SOUTH, WEST}) open += hasNeighbour(m, cell, side) && isSideOpen(m, cell, side);
    return open;
}

std::vector<uint32_t> wayThrough(const ReadMaze &m) {
    // Breadth first from cell 0, then back from the last cell by parents.
    uint32_t cells = (uint32_t)(m.width * m.height);
    std::vector<uint32_t> parent(cells, UINT32_MAX), queue = {0};
    parent[0] = 0;
    for (size_t at = 0; at < queue.size(); at++) {
        uint32_t cell = queue[at];
        for (int side : {NORTH, EAST, SOUTH, WEST}) {
            if (!hasNeighbour(m, cell, side) || !isSideOpen(m, cell, side)) continue;
            uint32_t next = neighbourOf(m, cell, side);
            if (parent[next] != UINT32_MAX) continue;
            parent[next] = cell;
            queue.push_back(next);
        }
    }
    std::vector<uint32_t> way;
    if (parent[cells - 1] == UINT32_MAX) return way;
    for (uint32_t cell = cells - 1; cell != 0; cell = parent[cell]) way.push_back(cell);
    way.push_back(0);
    return std::vector<uint32_t>(way.rbegin(), way.rend());
}

std::string referencePixels(const ReadMaze &m, const PictureOptions &options) {
    uint32_t width = (uint32_t)m.width * options.pitch();
    uint32_t height = (uint32_t)m.height * options.pitch();
    uint32_t stride = width % 4 == 0 ? width : width / 4 * 4 + 4;
    std::vector<char> onWay((size_t)m.width * m.height, 0);
    for (uint32_t cell : options.way) onWay[cell] = 1;
    // For each stored byte i * stride + j, the top-down position of stored
    // row i (row 0 at the bottom of the image), byte j.
    std::vector<uint32_t> rowMap((size_t)stride * height);
    for (uint32_t i = 0; i < height; i++)
        for (uint32_t j = 0; j < stride; j++) rowMap[(size_t)i * stride + j] = (height - i - 1) * stride + j;
    std::string pixels(rowMap.size(), '\0');
    for (size_t k = 0; k < rowMap.size(); k++) pixels[k] = pictureByte(m, rowMap[k], stride, options, onWay);
    return pixels;
}

std::string bitmapProblem(const std::string &bmp, const ReadMaze &m, const std::string &palette,
                          const PictureOptions &options) {
    uint32_t iw = m.width * options.pitch(), ih = m.height * options.pitch();
    uint32_t stride = (iw + 3) / 4 * 4;
    uint32_t size = 1078 + stride * ih;
    // Pixels a metre, rounded: an inch is 0.0254 m.
    uint32_t perMetre = (uint32_t)std::llround(options.dpi / 0.0254);
    if (bmp.size() != size) return "file size " + std::to_string(bmp.size());
    const uint32_t fields[][3] = {{0, 2, 0x4D42}, {2, 4, size}, {6, 2, 0}, {8, 2, 0},
        {10, 4, 1078}, {14, 4, 40}, {18, 4, iw}, {22, 4, ih}, {26, 2, 1}, {28, 2, 8},
        {30, 4, 0}, {34, 4, stride * ih}, {38, 4, perMetre}, {42, 4, perMetre}, {46, 4, 0}, {50, 4, 0}};
    for (auto &f : fields)
        if (le(bmp, f[0], (int)f[1]) != f[2]) return "header field at " + std::to_string(f[0]);
    if (bmp.compare(54, 1024, palette, 0, 1024) != 0) return "colour table differs";
    std::string pixels = referencePixels(m, options);
    for (size_t k = 0; k < pixels.size(); k++)
        if (bmp[1078 + k] != pixels[k])
            return "pixel x " + std::to_string(k % stride) + " of stored row " + std::to_string(k / stride);
    return "";
}

ReadMaze referenceCarve(int w, int h, uint32_t seed, uint32_t *redraws) {
    ReadMaze m{w, h, std::vector<int>((w - 1) * h, 1), std::vector<int>((h - 1) * w, 1)};
    uint32_t east = (w - 1) * h, walls = east + (h - 1) * w;
    std::vector<uint32_t> label(w * h), list(walls);
    for (uint32_t i = 0; i < label.size(); i++) label[i] = i;
    for (uint32_t i = 0; i < walls; i++) list[i] = i;
    auto cells = [&](uint32_t id, uint32_t &a, uint32_t &b) {
        if (id < east) { a = id / (w - 1) * w + id % (w - 1); b = a + 1; }
        else { a = id - east; b = a + w; }
    };
    Draws d{seed};
    while (!list.empty()) {
        uint32_t id = list[d.position((uint32_t)list.size())], a, b;
        (id < east ? m.east[id] : m.south[id - east]) = 0;
        cells(id, a, b);
        uint32_t low = std::min(label[a], label[b]), high = std::max(label[a], label[b]);
        for (auto &l : label) if (l == high) l = low;
        std::vector<uint32_t> kept;
        for (uint32_t c : list) {
            cells(c, a, b);
            int flag = c < east ? m.east[c] : m.south[c - east];
            if (flag == 1 && label[a] != label[b]) kept.push_back(c);
        }
        list.swap(kept);
    }
    if (redraws) *redraws = d.redraws;
    return m;
}

std::string renderingProblem(const std::string &bitmap, uint32_t width, const PictureOptions &options,
                             const std::string &rendered, uint32_t renderedWidth, double zoom,
                             double left, double top) {
    // The starts of the parts of the blocks across (and down): each cell's
    // rim, passage and rim, every part one colour in the bitmap.
    uint32_t rim = options.wall * options.scale, passage = options.passage * options.scale;
    uint32_t height = (uint32_t)(bitmap.size() / 3 / width);
    auto partsOf = [&](uint32_t side) {
        std::vector<uint32_t> starts;
        for (uint32_t at = 0; at < side; at += options.pitch())
            for (uint32_t start : {at, at + rim, at + rim + passage}) starts.push_back(start);
        starts.push_back(side);
        return starts;
    };
    std::vector<uint32_t> across = partsOf(width), down = partsOf(height);
    uint32_t renderedHeight = (uint32_t)(rendered.size() / 3 / renderedWidth);
    for (size_t j = 0; j + 1 < down.size(); j++)
        for (size_t i = 0; i + 1 < across.size(); i++) {
            double x = (across[i] + across[i + 1]) / 2.0, y = (down[j] + down[j + 1]) / 2.0;
            size_t bx = (size_t)x, by = (size_t)y;
            size_t rx = (size_t)(left + x * zoom), ry = (size_t)(top + y * zoom);
            std::string where = "part at " + std::to_string(across[i]) + ", " + std::to_string(down[j]);
            if (rx >= renderedWidth || ry >= renderedHeight) return "rendering too small for the " + where;
            if (bitmap.compare((by * width + bx) * 3, 3, rendered, (ry * renderedWidth + rx) * 3, 3) != 0)
                return "colour of the " + where;
        }
    return "";
}
