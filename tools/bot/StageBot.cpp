#include "tools/bot/StageBot.h"

#include <algorithm>
#include <cstdio>

#include "framework/graphics/MemoryImage.h"
#include "framework/resources/ImageBridge.h"
#include "game/core/ResourceIds.h"

namespace Orva {

namespace {

constexpr int kEmpty = -1;
// A rune landing this low is one slide away from the carriage.
constexpr int kDangerRow = Board::kLastRow - 3;

bool IsColour(int kind) { return kind >= 0 && kind < Board::kColours; }

}  // namespace

// ---- Host

void HeadlessBoardHost::LoadStrings() {
  strings_ = std::make_unique<StringTable>();
  strings_->Load("properties/strt.txt");
}

const std::string& HeadlessBoardHost::GetGameString(int index) { return strings_ ? strings_->Get(index) : empty_; }

std::unique_ptr<MemoryImage> HeadlessBoardHost::LoadPicture(const std::string& path) {
  if (!picturesEnabled_) return nullptr;
  return LoadMemoryImage(path, nullptr);
}

// ---- Art

BoardArt::BoardArt() : manager_(std::make_unique<ResourceManager>(&host_)) {}

BoardArt::~BoardArt() {
  // The globals point into the manager's groups: they go first.
  ClearResourceIds();
  manager_.reset();
}

bool BoardArt::Load(std::string& error) {
  if (!manager_->ReadManifest("properties/resources.xml") || !manager_->LoadGroup("Init") ||
      !BindInitResources(manager_.get()) || !manager_->LoadGroup("Game") || !BindGameResources(manager_.get())) {
    error = manager_->ErrorText();
    return false;
  }
  return particles_.Load(error);
}

BoardParticles BoardArt::Particles() const { return particles_.ForBoard(); }

// ---- The bot

StageBot::StageBot(Board& board, Options options) : board_(board), options_(options), random_(options.seed) {}

bool StageBot::CarriageReady() const {
  const Rune& rune = board_.CarriageRune();
  // The rune rises 32 pixels into place above the carriage after each shot and each change.
  return rune.kind != kEmpty && rune.y <= float(board_.GetCarriageY() - 1);
}

void StageBot::Tick() {
  if (wait_ > 0) {
    --wait_;
    return;
  }
  if (!board_.IsActive() || board_.IsPaused() || board_.IsInputLocked() || board_.IsFilling() || !CarriageReady())
    return;

  const Choice choice = Decide();
  if (choice.column < 0) return;
  board_.AimAtColumn(choice.column);
  if (choice.change) {
    board_.RequestRuneChange();
    ++changes_;
    ++changesInARow_;
  } else {
    const int shotsBefore = board_.GetShots();
    board_.Shoot();
    if (board_.GetShots() == shotsBefore) {
      wait_ = 3;
      return;
    }
    changesInARow_ = 0;
  }
  ++actions_;
  wait_ = options_.minTicksBetween +
          (options_.extraTicksMax > 0 ? int(random_() % unsigned(options_.extraTicksMax + 1)) : 0);
}

int StageBot::NextColour(int current) const {
  // The change cycles through the colours still counted on the field and in the rows to come.
  const int from = IsColour(current) ? current : Board::kColours - 1;
  for (int step = 1; step <= Board::kColours; ++step) {
    const int colour = (from + step) % Board::kColours;
    if (board_.GetColourCount(colour) != 0) return colour;
  }
  return current;
}

int StageBot::LandingRow(const Field& field, int column) const {
  // A shot stops under the lowest rune of rows top..12, or at the top row of an empty column.
  const int top = board_.GetTopRow();
  for (int row = Board::kLastRow - 2; row >= top; --row) {
    if (field[size_t(row)][size_t(column)] != kEmpty) return row + 1;
  }
  return top;
}

int StageBot::GroupSize(const Field& field, int row, int column, int kind, int* tokens) const {
  std::array<std::array<bool, Board::kColumns>, Board::kRows> seen{};
  std::vector<std::pair<int, int>> open{{row, column}};
  seen[size_t(row)][size_t(column)] = true;
  int size = 0;
  while (!open.empty()) {
    const auto [r, c] = open.back();
    open.pop_back();
    ++size;
    if (tokens && board_.Cell(r, c).bonus && (r != row || c != column)) ++*tokens;
    const int steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& d : steps) {
      const int nr = r + d[0], nc = c + d[1];
      if (nr < 0 || nr > Board::kLastRow || nc < 0 || nc >= Board::kColumns) continue;
      if (seen[size_t(nr)][size_t(nc)] || field[size_t(nr)][size_t(nc)] != kind) continue;
      seen[size_t(nr)][size_t(nc)] = true;
      open.emplace_back(nr, nc);
    }
  }
  return size;
}

// Lands a rune of this kind in the column of the anticipated field: a group of three or more
// goes, and the runes below close the gaps.
void StageBot::Settle(Field& field, int column, int kind) const {
  const int row = LandingRow(field, column);
  if (row > Board::kLastRow - 1) return;
  field[size_t(row)][size_t(column)] = kind;
  if (!IsColour(kind) || GroupSize(field, row, column, kind, nullptr) < 3) return;
  std::vector<std::pair<int, int>> open{{row, column}};
  field[size_t(row)][size_t(column)] = kEmpty;
  while (!open.empty()) {
    const auto [r, c] = open.back();
    open.pop_back();
    const int steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto& d : steps) {
      const int nr = r + d[0], nc = c + d[1];
      if (nr < 0 || nr > Board::kLastRow || nc < 0 || nc >= Board::kColumns) continue;
      if (field[size_t(nr)][size_t(nc)] != kind) continue;
      field[size_t(nr)][size_t(nc)] = kEmpty;
      open.emplace_back(nr, nc);
    }
  }
  const int top = board_.GetTopRow();
  for (int c = 0; c < Board::kColumns; ++c) {
    int to = top;
    for (int r = top; r <= Board::kLastRow - 1; ++r) {
      const int k = field[size_t(r)][size_t(c)];
      if (k == kEmpty) continue;
      field[size_t(r)][size_t(c)] = kEmpty;
      field[size_t(to++)][size_t(c)] = k;
    }
  }
}

// The field as it will be once the gaps now open have closed and the runes in flight have landed.
StageBot::Field StageBot::Anticipated() const {
  Field field;
  for (int r = 0; r < Board::kRows; ++r)
    for (int c = 0; c < Board::kColumns; ++c) field[size_t(r)][size_t(c)] = board_.Cell(r, c).kind;
  const int top = board_.GetTopRow();
  for (int c = 0; c < Board::kColumns; ++c) {
    int to = top;
    for (int r = top; r <= Board::kLastRow - 1; ++r) {
      const int k = field[size_t(r)][size_t(c)];
      if (k == kEmpty) continue;
      field[size_t(r)][size_t(c)] = kEmpty;
      field[size_t(to++)][size_t(c)] = k;
    }
  }
  for (int c = 0; c < Board::kColumns; ++c) {
    for (const Rune* rune : board_.RunesInFlight(c)) Settle(field, c, rune->kind);
  }
  return field;
}

// How much a shot of this kind into the column is worth; below 0 it must not be made.
int StageBot::ColumnValue(const Field& field, int column, int kind, int* groupSize) const {
  *groupSize = 0;
  // The board refuses a second shot into a column whose last one has left the carriage.
  const auto& flying = board_.RunesInFlight(column);
  if (!flying.empty() && flying.back()->y < 400) return -1;
  const int row = LandingRow(field, column);
  if (row > Board::kLastRow - 1 || board_.Cell(Board::kLastRow - 1, column).kind != kEmpty) return -1;
  Field placed = field;
  placed[size_t(row)][size_t(column)] = kind;
  int tokens = 0;
  const int size = GroupSize(placed, row, column, kind, &tokens);
  *groupSize = size;
  if (size >= 3) return 10000 + 100 * size + 200 * tokens + 50 * row;
  // No match: a pair is worth keeping for the next rune; low columns are avoided, and the lower the
  // rune would hang the worse.
  int value = 5000 + (size == 2 ? 600 : 0) - 40 * row;
  if (row >= kDangerRow) value -= 2000 * (row - kDangerRow + 1);
  return std::max(0, value);
}

StageBot::Choice StageBot::Decide() const {
  Choice best;
  const Field field = Anticipated();
  const int carriage = board_.CarriageRune().kind;

  if (board_.IsFlashActive()) {
    // A lightning shot clears three runes from the bottom of the column: the lowest column.
    int lowest = -1;
    for (int c = 0; c < Board::kColumns; ++c) {
      const int row = LandingRow(field, c);
      if (row > board_.GetTopRow() && row > lowest) {
        lowest = row;
        best.column = c;
      }
    }
    if (best.column < 0) best.column = board_.GetCarriageColumn();
    return best;
  }

  int bestValue = -1;
  for (int c = 0; c < Board::kColumns; ++c) {
    int size = 0;
    const int value = ColumnValue(field, c, carriage, &size);
    if (value > bestValue) {
      bestValue = value;
      best.column = c;
      best.groupSize = size;
    }
  }
  if (best.groupSize >= 3) return best;

  // Nothing matches with this rune: change it when another colour the change reaches would match,
  // unless every colour has been tried since the last shot.
  int colours = 0;
  for (int k = 0; k < Board::kColours; ++k) colours += board_.GetColourCount(k) != 0;
  if (changesInARow_ + 1 < colours) {
    int kind = carriage;
    for (int step = changesInARow_ + 1; step < colours; ++step) {
      kind = NextColour(kind);
      if (kind == carriage) break;
      for (int c = 0; c < Board::kColumns; ++c) {
        int size = 0;
        if (ColumnValue(field, c, kind, &size) >= 0 && size >= 3) {
          best.change = true;
          best.column = board_.GetCarriageColumn();
          return best;
        }
      }
    }
  }
  return best;
}

// ---- Results

const char* ResultName(int result) {
  switch (result) {
    case Board::END_WON: return "won";
    case Board::END_LOST: return "lost";
    default: return "stuck";
  }
}

std::string ClockText(const StageRun& run) {
  char text[32];
  std::snprintf(text, sizeof text, "%d:%02d.%02d", run.minutes, run.seconds, run.hundredths);
  return text;
}

}  // namespace Orva
