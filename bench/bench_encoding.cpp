// How the lines of list files are read, measured over generated lists: for each kind of list, the share of
// files of which every line is read in the encoding it was written in, by the rule lines were read by before
// (kept below as it was), by LineEncoding, and by two charset detectors, uchardet and ICU's, asked about
// each file and about each line. Also times LineEncoding against the old rule over a list of 32,767 friends,
// and the list file's GB18030 codec against Qt's converter (ICU's) where Qt has one.
// Fails when LineEncoding misses the share set for a kind of list (one set at 0 is shown as "-"); the lists
// come from a fixed seed, so the shares are the same on every run.

#include "friendlistfile.h"
#include "gb18030.h"
#include "lineencoding.h"
#include "listfixtures.h"
#include "samplelists.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <limits>
#include <random>
#include <tuple>

#ifdef HAVE_UCHARDET
#include <uchardet/uchardet.h>
#endif
#ifdef HAVE_ICU
#include <unicode/ucsdet.h>
#endif

// The rule lines were read by before this benchmark was written, kept as it was to measure LineEncoding
// against.
//
// A file that is valid UTF-8 as a whole reads as UTF-8. Any other file is read line by line:
// - A line valid in only one of the two encodings reads in that one.
// - A line valid in both looks GB18030 if its non-ASCII bytes pair up as GB2312 codes (A1..F7, then A1..FE)
//   and it holds no UTF-8 character of three or four bytes: GB18030 text valid in UTF-8 mostly reads there as
//   Latin, Greek or Cyrillic letters. It looks UTF-8 if it holds such a character, as every Chinese one is,
//   and does not pair up: UTF-8 Chinese mostly carries bytes 80..A0.
// - The file leans GB18030 if more lines are GB18030-only or look GB18030 than are UTF-8-only or look UTF-8.
//   Lines valid in both, and lines valid in neither, read in the leaning; but in a GB18030-leaning file with
//   a UTF-8-only line, lines that look UTF-8 read as UTF-8.

namespace today {

bool inRange(uchar byte, uchar low, uchar high)
{
    return byte >= low && byte <= high;
}

// What a line's bytes say about its encoding.
struct LineBytes
{
    bool ascii = true;
    bool gb18030 = true; // valid GB18030
    bool gb2312 = true;  // every non-ASCII byte pairs up as a GB2312 code: lead A1..F7, trail A1..FE
};

// Checks the line as GB18030 byte by byte. Qt's decoder gives the same verdict on every code, but once it
// has met an error it reports one ever after, and a new decoder for each line would cost more than the rest.
LineBytes lineBytes(QByteArrayView line)
{
    LineBytes result;
    const auto byteAt = [&](qsizetype i) { return i < line.size() ? uchar(line[i]) : uchar(0); };
    for (qsizetype i = 0; i < line.size();) {
        const uchar lead = byteAt(i);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        result.ascii = false;
        const uchar trail = byteAt(i + 1);
        if (inRange(lead, 0x81, 0xfe) && (inRange(trail, 0x40, 0x7e) || inRange(trail, 0x80, 0xfe))) {
            result.gb2312 = result.gb2312 && inRange(lead, 0xa1, 0xf7) && trail >= 0xa1;
            i += 2;
        } else if (Gb18030::isFourByteCode(lead, trail, byteAt(i + 2), byteAt(i + 3))) {
            result.gb2312 = false;
            i += 4;
        } else {
            result.gb18030 = result.gb2312 = false;
            ++i;
        }
    }
    return result;
}

// Where a line is valid, and for lines valid in both, which encoding they look like (see the class comment).
enum class LineKind : quint8
{
    Ascii,
    Utf8Only,
    Gb18030Only,
    LooksGb,
    LooksUtf8,
    Both,
    Neither
};

LineKind lineKind(QByteArrayView line)
{
    const LineBytes bytes = lineBytes(line);
    if (bytes.ascii)
        return LineKind::Ascii;
    const bool utf8 = line.isValidUtf8();
    if (utf8 != bytes.gb18030)
        return utf8 ? LineKind::Utf8Only : LineKind::Gb18030Only;
    if (!utf8)
        return LineKind::Neither;
    // In valid UTF-8, a byte of E0 or more leads a character of three or four bytes.
    const bool longCharacter = std::any_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0xe0; });
    if (bytes.gb2312 == longCharacter)
        return LineKind::Both;
    return bytes.gb2312 ? LineKind::LooksGb : LineKind::LooksUtf8;
}

// Calls f(start, line) for each line, its LF included. No multi-byte character of UTF-8 or GB18030 holds
// the byte 0A, so splitting there cuts no character in two.
template<typename F>
void forEachLine(QByteArrayView bytes, F f)
{
    for (qsizetype start = 0; start < bytes.size();) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        f(start, bytes.sliced(start, end - start));
        start = end;
    }
}

// How the lines of a file that is not UTF-8 throughout read; the class comment gives the rule.
struct LineEncodings
{
    std::vector<LineKind> kinds;
    bool leansGb = false;
    bool editedInUtf8 = false; // a line only UTF-8 can read

    bool readsAsGb(LineKind kind) const
    {
        if (kind == LineKind::Gb18030Only || kind == LineKind::Utf8Only)
            return kind == LineKind::Gb18030Only;
        return leansGb && !(kind == LineKind::LooksUtf8 && editedInUtf8);
    }
};

LineEncodings lineEncodings(QByteArrayView bytes)
{
    LineEncodings result;
    int gbVotes = 0;
    int utf8Votes = 0;
    forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
        const LineKind kind = lineKind(line);
        result.kinds.push_back(kind);
        gbVotes += kind == LineKind::Gb18030Only || kind == LineKind::LooksGb;
        utf8Votes += kind == LineKind::Utf8Only || kind == LineKind::LooksUtf8;
        result.editedInUtf8 = result.editedInUtf8 || kind == LineKind::Utf8Only;
    });
    result.leansGb = gbVotes > utf8Votes;
    return result;
}

std::vector<LineEncoding::Encoding> ofLines(QByteArrayView bytes)
{
    std::vector<LineEncoding::Encoding> result;
    const bool utf8 = bytes.isValidUtf8();
    const LineEncodings encodings = utf8 ? LineEncodings() : lineEncodings(bytes);
    size_t index = 0;
    forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
        const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return uchar(c) < 0x80; });
        if (ascii)
            result.push_back(LineEncoding::Ascii);
        else if (utf8)
            result.push_back(LineEncoding::Utf8);
        else
            result.push_back(encodings.readsAsGb(encodings.kinds[index]) ? LineEncoding::Gb18030
                                                                         : LineEncoding::Utf8);
        ++index;
    });
    return result;
}

} // namespace today

namespace {

// Real given names and surnames, as people write them.
const char* const westernNames[] = {
    "José",      "María",      "Müller",    "Jürgen",    "Günter",    "Björn",     "Søren",     "Åsa",
    "Zoë",       "Chloé",      "Hélène",    "François",  "Benoît",    "Noémie",    "Léa",       "Raphaël",
    "Anaïs",     "Inès",       "Jérôme",    "Cécile",    "Gaëlle",    "Ángel",     "Íñigo",     "Sofía",
    "Lucía",     "Martín",     "Raúl",      "Jesús",     "Joaquín",   "Ramón",     "João",      "Conceição",
    "Gonçalo",   "Sebastião",  "Estêvão",   "Jörg",      "Sören",     "Käthe",     "Schröder",  "Groß",
    "Weiß",      "Øystein",    "Ásgeir",    "Þór",       "Guðrún",    "Sigríður",  "Hafþór",    "Łukasz",
    "Wojciech",  "Małgorzata", "Paweł",     "Michał",    "Jędrzej",   "Stanisław", "Błażej",    "Żaneta",
    "Wróbel",    "Wiśniewski", "Dąbrowski", "Zieliński", "Szymański", "Woźniak",   "Kozłowski", "Dvořák",
    "Jiří",      "Tomáš",      "Lukáš",     "Kateřina",  "Zdeněk",    "Přemysl",   "Šárka",     "Růžena",
    "Novák",     "Černý",      "Procházka", "Kučera",    "Veselý",    "Horák",     "Němec",     "Pokorný",
    "Zoltán",    "László",     "Gábor",     "Ágnes",     "Erzsébet",  "Géza",      "Győző",     "Ödön",
    "Tóth",      "Szabó",      "Kovács",    "Şükrü",     "Gülşen",    "Çağlar",    "Ömer",      "Özlem",
    "Ayşe",      "İsmail",     "Buğra",     "Doğan",     "Yılmaz",    "Öztürk",    "Çelik",     "Şahin",
    "Aydın",     "Ștefan",     "Mădălina",  "Răzvan",    "Țurcanu",   "Bălan",     "Đorđe",     "Dragiša",
    "Miloš",     "Živko",      "Ljubiša",   "Božena",    "Marković",  "Jovanović", "Petrović",  "Nikolić",
    "Kovačević", "Šimunović",  "Jānis",     "Kārlis",    "Žydrūnas",  "Ģirts",     "Ēriks",     "Līga",
    "Tõnu",      "Jüri",       "Mägi",      "Lefèvre",   "Gérard",    "Béatrice",  "Thérèse",   "Mélanie",
    "Amélie",    "Cédric",     "Frédéric",  "Stéphane",  "Sébastien", "Loïc",      "Maëlle",    "Ophélie",
    "Núñez",     "Muñoz",      "Ibáñez",    "Peña",      "Gómez",     "Fernández", "Rodríguez", "Martínez",
    "Sánchez",   "Pérez",      "Jiménez",   "Álvarez",   "Díaz",      "López",     "Niccolò",   "Antônio",
    "Fábio",     "Márcio",     "Flávia",    "Lúcia",     "Vitória",   "Tânia",     "Simões",    "Magalhães",
    "Guimarães", "Gonçalves",  "Araújo",    "Trương",    "Nguyễn",    "Phạm",      "Anna",      "John",
    "Emma",      "Oliver",     "Hannah",    "Lukas"};

const char* const cyrillicNames[] = {
    "Сергей",    "Александр",  "Дмитрий",   "Андрей",    "Алексей",   "Иван",       "Михаил",   "Николай",
    "Владимир",  "Евгений",    "Павел",     "Артём",     "Максим",    "Юрий",       "Олег",     "Игорь",
    "Виктор",    "Константин", "Роман",     "Денис",     "Антон",     "Тимофей",    "Фёдор",    "Григорий",
    "Борис",     "Вадим",      "Станислав", "Ярослав",   "Богдан",    "Тарас",      "Остап",    "Мирослав",
    "Святослав", "Анна",       "Мария",     "Елена",     "Ольга",     "Наталья",    "Татьяна",  "Ирина",
    "Светлана",  "Екатерина",  "Юлия",      "Анастасия", "Дарья",     "Ксения",     "Полина",   "Вера",
    "Надежда",   "Любовь",     "Людмила",   "Галина",    "Валентина", "Алёна",      "Софья",    "Сабина",
    "Злата",     "Оксана",     "Олена",     "Галя",      "Ірина",     "Олександр",  "Андрій",   "Микола",
    "Юлія",      "Наталія",    "Євген",     "Сергій",    "Віктор",    "Ігор",       "Олексій",  "Дмитро",
    "Василь",    "Петро",      "Стоян",     "Христо",    "Димитър",   "Цветан",     "Йордан",   "Петър",
    "Радка",     "Цветелина",  "Ђорђе",     "Јован",     "Љубица",    "Милош",      "Ян",       "Ия",
    "Иванов",    "Смирнов",    "Кузнецов",  "Попов",     "Васильев",  "Петров",     "Соколов",  "Михайлов",
    "Новиков",   "Фёдоров",    "Морозов",   "Волков",    "Алексеев",  "Лебедев",    "Семёнов",  "Егоров",
    "Павлов",    "Козлов",     "Степанов",  "Николаев",  "Орлов",     "Андреев",    "Макаров",  "Никитин",
    "Захаров",   "Зайцев",     "Соловьёв",  "Борисов",   "Яковлев",   "Григорьев",  "Романов",  "Воробьёв",
    "Сергеев",   "Кузьмин",    "Фролов",    "Шевченко",  "Коваленко", "Бондаренко", "Ткаченко", "Кравченко",
    "Мельник",   "Иванова",    "Смирнова",  "Петрова",   "Сидоров",   "Чайковский", "Пушкин",   "Толстой",
    "Чехов",     "Гоголь",     "Лермонтов", "Тургенев",  "Есенин",    "Цветаева",   "Ахматова", "Булгаков",
    "Набоков",   "Пастернак"};

const char* const greekNames[] = {
    "Ελένη",        "Σοφία",        "Μαρία",        "Γιώργος",     "Δημήτρης",     "Νίκος",
    "Κώστας",       "Γιάννης",      "Παναγιώτης",   "Βασίλης",     "Χρήστος",      "Αθανάσιος",
    "Ευάγγελος",    "Σπύρος",       "Αλέξανδρος",   "Μιχάλης",     "Θανάσης",      "Στέλιος",
    "Πέτρος",       "Ανδρέας",      "Αντώνης",      "Ηλίας",       "Σταύρος",      "Θεόδωρος",
    "Λευτέρης",     "Μανώλης",      "Απόστολος",    "Άγγελος",     "Αριστοτέλης",  "Περικλής",
    "Σωκράτης",     "Ιωάννης",      "Κατερίνα",     "Αικατερίνη",  "Βασιλική",     "Γεωργία",
    "Δήμητρα",      "Ευαγγελία",    "Ιωάννα",       "Χριστίνα",    "Αναστασία",    "Παρασκευή",
    "Αγγελική",     "Ειρήνη",       "Δέσποινα",     "Θεοδώρα",     "Σταυρούλα",    "Νικολέτα",
    "Αλεξάνδρα",    "Ζωή",          "Φωτεινή",      "Χαρά",        "Ρένα",         "Ρέα",
    "Τασούλα",      "Αφροδίτη",     "Αθηνά",        "Πηνελόπη",    "Ξανθή",        "Ολυμπία",
    "Παπαδόπουλος", "Παπαδοπούλου", "Οικονόμου",    "Γεωργίου",    "Παπανικολάου", "Βασιλείου",
    "Νικολάου",     "Καραγιάννης",  "Ιωάννου",      "Μακρής",      "Αντωνίου",     "Δημητρίου",
    "Παπαγεωργίου", "Κωνσταντίνου", "Χριστοδούλου", "Αλεξίου",     "Μαυρίδης",     "Θεοδωρίδης",
    "Λαμπράκης",    "Παππάς",       "Σαμαράς",      "Βενιζέλος",   "Μητσοτάκης",   "Καραμανλής",
    "Ρίτσος",       "Σεφέρης",      "Ελύτης",       "Καζαντζάκης", "Καβάφης"};

// Japanese names in kana, as fans and friends write them.
const char* const kanaNames[] = {
    "さくら", "ゆい", "はると", "ミク",   "ユウキ", "あおい", "ひなた", "そうた", "りん",   "ハナ",
    "レン",   "ソラ", "まい",   "けんた", "ゆうと", "こはる", "アキラ", "ヒカル", "ナナ",   "みゆき",
    "さとし", "カナ", "ゆき",   "なつみ", "リコ",   "ショウ", "まりあ", "エミ",   "たくみ", "ルナ"};

const char* const hangulNames[] = {
    "김민수", "이서연", "박지훈",   "최지우", "정하은", "민준", "서윤", "지민", "하준", "수빈",
    "예린",   "도윤",   "강다니엘", "윤아",   "태연",   "서현", "민호", "지수", "제니", "로제",
    "한지민", "송중기", "전지현",   "유재석", "아이유", "다현", "채영", "나연", "혜진", "우진"};

// Emoji people put in nicknames, of three bytes in UTF-8 and of four.
const char* const emoji[] = {"🌸", "🐱", "🍀", "⭐", "❤", "✨", "🎵", "😊", "🐧", "🌙", "☀", "🍓", "🐰", "💕", "🌈", "😄"};

} // namespace

namespace {

using Verdicts = std::vector<LineEncoding::Encoding>;
using Rule = std::function<Verdicts(QByteArrayView)>;

// A list file with the encoding each line was written in: Ascii for lines that read alike in both.
struct ListFile
{
    QByteArray bytes;
    Verdicts truth;

    void addLine(const QByteArray& line, LineEncoding::Encoding encoding = LineEncoding::Ascii)
    {
        bytes += line + '\n';
        truth.push_back(encoding);
    }
};

struct Nickname
{
    QByteArray bytes;
    LineEncoding::Encoding encoding;
};

// Characters to draw nicknames from, as GB18030 bytes and as text.
struct CharacterPool
{
    std::vector<QByteArray> gb18030;
    std::vector<QString> text;
};

// The two-byte GB18030 codes of [lead range] x [trail range] that stand for a character; private-use ones,
// which name nothing, are left out.
CharacterPool gbCharacters(uchar firstLead, uchar lastLead, uchar firstTrail, uchar lastTrail,
                           uchar lastOfLastRow)
{
    CharacterPool pool;
    for (int lead = firstLead; lead <= lastLead; ++lead) {
        for (int trail = firstTrail; trail <= (lead == lastLead ? lastOfLastRow : lastTrail); ++trail) {
            const QByteArray code = QByteArray(1, char(lead)) + char(trail);
            const QString text = Gb18030::decoded(code);
            const bool privateUse = text.size() == 1 && text[0] >= QChar(0xe000) && text[0] <= QChar(0xf8ff);
            if (trail == 0x7f || text.size() != 1 || text[0] == QChar::ReplacementCharacter || privateUse)
                continue;
            pool.gb18030.push_back(code);
            pool.text.push_back(text);
        }
    }
    return pool;
}

class Generator
{
public:
    Generator()
        : m_common(gbCharacters(0xb0, 0xd7, 0xa1, 0xfe, 0xf9))
        , m_gbk(gbCharacters(0x81, 0xfe, 0x40, 0xfe, 0xfe))
    {}

    const CharacterPool& common() const { return m_common; }
    const CharacterPool& gbk() const { return m_gbk; }

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    // 1-4 characters of the pool, in GB18030 or in UTF-8.
    Nickname chinese(const CharacterPool& pool, LineEncoding::Encoding encoding)
    {
        Nickname nickname{{}, encoding};
        const int length = between(1, 4);
        for (int i = 0; i < length; ++i) {
            const size_t pick = size_t(between(0, int(pool.text.size()) - 1));
            nickname.bytes +=
                encoding == LineEncoding::Gb18030 ? pool.gb18030[pick] : pool.text[pick].toUtf8();
        }
        return nickname;
    }

    // 1-3 common characters with 1-3 ASCII letters or digits before or after them, as in Tom猫 or 小A2.
    Nickname mixed(LineEncoding::Encoding encoding)
    {
        Nickname chinese;
        do
            chinese = this->chinese(m_common, encoding);
        while (chinese.bytes.size() > 3 * (encoding == LineEncoding::Gb18030 ? 2 : 3));
        QByteArray latin;
        const QByteArray alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = between(1, 3); i > 0; --i)
            latin += alphabet[between(0, int(alphabet.size()) - 1)];
        return {between(0, 1) ? latin + chinese.bytes : chinese.bytes + latin, encoding};
    }

    // A given name, or a given name and a surname, of the list.
    template<size_t N>
    Nickname realName(const char* const (&names)[N])
    {
        QByteArray name = names[between(0, N - 1)];
        if (between(0, 1))
            name += QByteArray(" ") + names[between(0, N - 1)];
        return {name, LineEncoding::Utf8};
    }

    // A name with an emoji before or after it, or an emoji alone: Lily🌸, 🐱小猫, ⭐.
    Nickname withEmoji()
    {
        const QByteArray mark = emoji[between(0, int(std::size(emoji)) - 1)];
        const int kind = between(0, 2);
        const QByteArray name = kind == 0   ? realName(westernNames).bytes.split(' ').front()
                                : kind == 1 ? chinese(m_common, LineEncoding::Utf8).bytes
                                            : QByteArray();
        return {between(0, 1) ? name + mark : mark + name, LineEncoding::Utf8};
    }

    // Common characters in GB18030 that happen to be valid UTF-8.
    Nickname gbValidAsUtf8()
    {
        for (;;) {
            Nickname nickname = chinese(m_common, LineEncoding::Gb18030);
            if (QByteArrayView(nickname.bytes).isValidUtf8())
                return nickname;
        }
    }

    // A list file as the program writes it, of these nicknames.
    ListFile listFile(const std::vector<Nickname>& nicknames)
    {
        ListFile file;
        file.addLine("[MEUserData]");
        file.addLine("Incout=" + QByteArray::number(qsizetype(nicknames.size())));
        for (size_t i = 0; i < nicknames.size(); ++i) {
            file.addLine('[' + QByteArray::number(qsizetype(i + 1)) + ']');
            file.addLine("Imis1=" + QByteArray::number(between(10000, 999999999)));
            const bool ascii = std::all_of(nicknames[i].bytes.begin(), nicknames[i].bytes.end(),
                                           [](char c) { return uchar(c) < 0x80; });
            file.addLine("Imis2=" + nicknames[i].bytes, ascii ? LineEncoding::Ascii : nicknames[i].encoding);
        }
        return file;
    }

    // `count` nicknames from `make`.
    std::vector<Nickname> nicknames(int count, const std::function<Nickname()>& make)
    {
        std::vector<Nickname> result;
        for (int i = 0; i < count; ++i)
            result.push_back(make());
        return result;
    }

private:
    std::mt19937 m_random{20240518};
    CharacterPool m_common;
    CharacterPool m_gbk;
};

struct Case
{
    const char* name;
    double target; // the share of files LineEncoding must read right, in percent
    std::function<ListFile(Generator&)> make;
};

constexpr int largestList = 30;

std::vector<Case> cases()
{
    using E = LineEncoding::Encoding;
    const auto gbList = [](Generator& g, const CharacterPool& pool, int count) {
        return g.nicknames(count, [&] { return g.chinese(pool, E::Gb18030); });
    };
    const auto withUtf8Added = [gbList](Generator& g, int added) {
        std::vector<Nickname> list = gbList(g, g.common(), g.between(1, largestList));
        for (int i = 0; i < added; ++i)
            list.push_back(g.chinese(g.common(), E::Utf8));
        return g.listFile(list);
    };
    const auto withNameAdded = [gbList](Generator& g, const std::function<Nickname()>& make) {
        std::vector<Nickname> list = gbList(g, g.common(), g.between(1, largestList));
        list.push_back(make());
        return g.listFile(list);
    };
    const auto utf8Names = [](Generator& g, const std::function<Nickname()>& make) {
        return g.listFile(g.nicknames(g.between(1, largestList), make));
    };
    return {
        {"GB18030 list, common characters", 99.9,
         [=](Generator& g) { return g.listFile(gbList(g, g.common(), g.between(1, largestList))); }},
        {"GB18030 list, all of GBK", 99.5,
         [=](Generator& g) { return g.listFile(gbList(g, g.gbk(), g.between(1, largestList))); }},
        {"GB18030 list, one friend added in UTF-8", 99.5, [=](Generator& g) { return withUtf8Added(g, 1); }},
        {"GB18030 list, 2-10 friends added in UTF-8", 99.5,
         [=](Generator& g) { return withUtf8Added(g, g.between(2, 10)); }},
        {"UTF-8 list, one stray byte", 99.9,
         [](Generator& g) {
             std::vector<Nickname> list = g.nicknames(g.between(1, largestList), [&] {
                 return g.between(0, 3) ? g.chinese(g.common(), E::Utf8) : g.realName(westernNames);
             });
             QByteArray& spoilt = list[size_t(g.between(0, int(list.size()) - 1))].bytes;
             spoilt.insert(g.between(0, int(spoilt.size())), char(g.between(0x80, 0xff)));
             for (Nickname& nickname : list)
                 nickname.encoding = E::Utf8;
             return g.listFile(list);
         }},
        {"UTF-8 list, Western names", 99.9,
         [=](Generator& g) { return utf8Names(g, [&] { return g.realName(westernNames); }); }},
        {"UTF-8 list, Cyrillic names", 99.9,
         [=](Generator& g) { return utf8Names(g, [&] { return g.realName(cyrillicNames); }); }},
        {"UTF-8 list, Greek names", 99.9,
         [=](Generator& g) { return utf8Names(g, [&] { return g.realName(greekNames); }); }},
        {"GB18030 list of 1-3, valid UTF-8", 90,
         [](Generator& g) {
             return g.listFile(g.nicknames(g.between(1, 3), [&] { return g.gbValidAsUtf8(); }));
         }},
        {"GB18030 list, Chinese and ASCII nicknames", 99.5,
         [=](Generator& g) {
             return g.listFile(g.nicknames(g.between(1, largestList), [&] {
                 return g.between(0, 1) ? g.mixed(E::Gb18030) : g.chinese(g.common(), E::Gb18030);
             }));
         }},
        {"GB18030 list, one such added in UTF-8", 99.5,
         [=](Generator& g) { return withNameAdded(g, [&] { return g.mixed(E::Utf8); }); }},
        {"GB18030 list, one real name added in UTF-8", 99.5,
         [=](Generator& g) {
             return withNameAdded(g, [&] {
                 const int script = g.between(0, 2);
                 return script == 0   ? g.realName(westernNames)
                        : script == 1 ? g.realName(cyrillicNames)
                                      : g.realName(greekNames);
             });
         }},
        {"GB18030 list, one emoji name added in UTF-8", 99.5,
         [=](Generator& g) { return withNameAdded(g, [&] { return g.withEmoji(); }); }},
        {"GB18030 list, one kana name added in UTF-8", 99.5,
         [=](Generator& g) { return withNameAdded(g, [&] { return g.realName(kanaNames); }); }},
        {"GB18030 list, one Hangul name added in UTF-8", 99.5,
         [=](Generator& g) { return withNameAdded(g, [&] { return g.realName(hangulNames); }); }},
    };
}

bool readRight(const ListFile& file, const Verdicts& verdicts)
{
    for (size_t i = 0; i < file.truth.size(); ++i) {
        if (file.truth[i] != LineEncoding::Ascii && (i >= verdicts.size() || verdicts[i] != file.truth[i]))
            return false;
    }
    return true;
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

// A detector's answer for the two encodings: the charset it names, or where it names neither, UTF-8 for bytes
// valid in UTF-8 and GB18030 for others.
LineEncoding::Encoding fromCharsetName(const QByteArray& name, QByteArrayView bytes)
{
    const QByteArray upper = name.toUpper();
    if (upper == "UTF-8")
        return LineEncoding::Utf8;
    if (upper == "GB18030" || upper == "GB2312" || upper == "GBK")
        return LineEncoding::Gb18030;
    return bytes.isValidUtf8() ? LineEncoding::Utf8 : LineEncoding::Gb18030;
}

// A rule that asks `detect` about the whole file and reads every line in its answer.
Rule perFile(const std::function<LineEncoding::Encoding(QByteArrayView)>& detect)
{
    return [detect](QByteArrayView bytes) {
        const LineEncoding::Encoding answer = detect(bytes);
        Verdicts verdicts;
        today::forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
            verdicts.push_back(isAscii(line) ? LineEncoding::Ascii : answer);
        });
        return verdicts;
    };
}

// A rule that asks `detect` about each line.
Rule perLine(const std::function<LineEncoding::Encoding(QByteArrayView)>& detect)
{
    return [detect](QByteArrayView bytes) {
        Verdicts verdicts;
        today::forEachLine(bytes, [&](qsizetype, QByteArrayView line) {
            verdicts.push_back(isAscii(line) ? LineEncoding::Ascii : detect(line));
        });
        return verdicts;
    };
}

#ifdef HAVE_UCHARDET
LineEncoding::Encoding uchardetAnswer(QByteArrayView bytes)
{
    static const uchardet_t detector = uchardet_new();
    uchardet_reset(detector);
    uchardet_handle_data(detector, bytes.data(), size_t(bytes.size()));
    uchardet_data_end(detector);
    return fromCharsetName(uchardet_get_charset(detector), bytes);
}
#endif

#ifdef HAVE_ICU
// ICU ranks every charset it knows; the first of the two in its ranking is its answer.
LineEncoding::Encoding icuAnswer(QByteArrayView bytes)
{
    UErrorCode status = U_ZERO_ERROR;
    static UCharsetDetector* const detector = ucsdet_open(&status);
    ucsdet_setText(detector, bytes.data(), int32_t(bytes.size()), &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector, &count, &status);
    for (int32_t i = 0; U_SUCCESS(status) && i < count; ++i) {
        const QByteArray name = ucsdet_getName(matches[i], &status);
        if (name == "UTF-8" || name == "GB18030")
            return fromCharsetName(name, bytes);
    }
    return fromCharsetName({}, bytes);
}
#endif

// LineEncoding weighing the lines one by one, as the file reader hands them over.
Verdicts judged(QByteArrayView bytes)
{
    LineEncoding judge;
    today::forEachLine(bytes, [&](qsizetype, QByteArrayView line) { judge.weigh(line); });
    return judge.verdicts().lines;
}

struct NamedRule
{
    const char* name;
    Rule rule;
};

std::vector<NamedRule> rules()
{
    std::vector<NamedRule> result = {{"old", today::ofLines}, {"new", judged}};
#ifdef HAVE_UCHARDET
    result.push_back({"uchardet file", perFile(uchardetAnswer)});
    result.push_back({"uchardet line", perLine(uchardetAnswer)});
#endif
#ifdef HAVE_ICU
    result.push_back({"ICU file", perFile(icuAnswer)});
    result.push_back({"ICU line", perLine(icuAnswer)});
#endif
    return result;
}

// The best of five timings of `rule` over `bytes`, in milliseconds.
double detectionMs(const Rule& rule, QByteArrayView bytes)
{
    double best = std::numeric_limits<double>::max();
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const Verdicts verdicts = rule(bytes);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        if (verdicts.empty())
            return 0;
    }
    return best;
}

// The best of five runs of `run`, in milliseconds.
double bestMs(const std::function<void()>& run)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

// Times reading and writing `bytes` by Gb18030 and by Qt's converter, and prints both and the ratio.
void timeCodec(QTextStream& out, const char* name, const QByteArray& bytes)
{
    constexpr auto flags = QStringConverter::Flag::Stateless;
    QStringDecoder decoder("GB18030", flags);
    QStringEncoder encoder("GB18030", flags);
    const QString text = Gb18030::decoded(bytes);
    const bool alike = QString(decoder(bytes)) == text && QByteArray(encoder(text)) == bytes;
    qsizetype sink = 0; // keeps the results in use
    const double oursRead = bestMs([&] { sink += Gb18030::decoded(bytes).size(); });
    const double qtRead = bestMs([&] { sink += QString(decoder(bytes)).size(); });
    const double oursWrite = bestMs([&] { sink += Gb18030::encoded(text).size(); });
    const double qtWrite = bestMs([&] { sink += QByteArray(encoder(text)).size(); });
    for (const auto& [way, ours, qt] :
         {std::tuple("read", oursRead, qtRead), {"write", oursWrite, qtWrite}}) {
        out << QString(QLatin1String(name) + ", " + way).leftJustified(28)
            << QString::number(ours, 'f', 2).rightJustified(8)
            << QString::number(qt, 'f', 2).rightJustified(8)
            << QString::number(ours / qt, 'f', 2).rightJustified(8) << '\n';
    }
    out << "  (" << bytes.size() << " bytes; the same text both ways: " << (alike && sink > 0 ? "yes" : "NO")
        << ")\n";
}

// A list of `count` friends as the program saves it.
QByteArray savedList(int count)
{
    const StoredList model = sampleList(count);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QQlist.cfg"));
    FriendListFile file;
    file.open(path);
    file.save(model);
    return fileBytes(path);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    constexpr int files = 5000;
    Generator generator;
    const std::vector<NamedRule> all = rules();
    out << "Lines read in the encoding they were written in: share of " << files << " list files of 1-"
        << largestList << " friends read right throughout, %\n(" << generator.common().text.size()
        << " common characters, " << generator.gbk().text.size()
        << " of GBK; detectors choose between UTF-8 and GB18030, an answer naming "
        << "neither reads UTF-8 where valid)\n";
    out << QString("case").leftJustified(44);
    for (const NamedRule& rule : all)
        out << QString(rule.name).rightJustified(14);
    out << QString("target").rightJustified(8) << Qt::endl;

    bool targetsMet = true;
    for (const Case& kind : cases()) {
        std::vector<int> right(all.size());
        for (int i = 0; i < files; ++i) {
            const ListFile file = kind.make(generator);
            for (size_t r = 0; r < all.size(); ++r)
                right[r] += readRight(file, all[r].rule(file.bytes));
        }
        out << QString(kind.name).leftJustified(44);
        for (const int count : right)
            out << QString::number(100.0 * count / files, 'f', 2).rightJustified(14);
        const double ours = 100.0 * right[1] / files;
        const bool met = ours >= kind.target;
        targetsMet = targetsMet && met;
        out << (kind.target > 0 ? QString::number(kind.target, 'f', 1).rightJustified(8)
                                : QString("-").rightJustified(8))
            << (met ? "" : "  MISSED") << Qt::endl;
    }

    const QByteArray utf8List = savedList(32767);
    const QByteArray gbList = Gb18030::encoded(QString::fromUtf8(utf8List));
    out << "\nDetection over a list of 32,767 friends, best of 5 runs, ms: old, new, ratio new / old\n";
    for (const auto& [name, bytes] : {std::pair("UTF-8", utf8List), std::pair("GB18030", gbList)}) {
        const double old = detectionMs(today::ofLines, bytes);
        const double ours = detectionMs(judged, bytes);
        out << QString(name).leftJustified(10) << QString::number(old, 'f', 2).rightJustified(8)
            << QString::number(ours, 'f', 2).rightJustified(8)
            << QString::number(ours / old, 'f', 2).rightJustified(8) << '\n';
    }
    if (QStringDecoder("GB18030").isValid()) {
        out << "\nGB18030, best of 5 runs, ms: the list file's codec, Qt's converter, ratio ours / Qt's\n";
        timeCodec(out, "that list", gbList);
        QByteArray chinese;
        for (int i = 0; i < 20; ++i) {
            for (const QByteArray& code : generator.gbk().gb18030)
                chinese += code;
        }
        timeCodec(out, "all of GBK, 20 times", chinese);
    } else {
        out << "\nQt has no GB18030 converter here to time the list file's codec against\n";
    }
    out << "All targets met: " << (targetsMet ? "yes" : "NO") << Qt::endl;
    return targetsMet ? 0 : 1;
}
