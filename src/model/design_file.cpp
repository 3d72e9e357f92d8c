#include "model/design_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <system_error>

#include "app/ui_strings.h"
#include "model/objects.h"
#include "model/record_io.h"

namespace orv {

namespace fs = std::filesystem;

int messageId(FileStatus status) {
    switch (status) {
        case FileStatus::Ok: return 0;
        case FileStatus::CannotOpen: return msg::kCannotOpen;
        case FileStatus::InvalidFormat: return msg::kInvalidFormat;
        case FileStatus::NoObjects: return msg::kInvalidInsert;
        case FileStatus::CannotWrite: return msg::kCannotWrite;
        case FileStatus::Damaged: return msg::kFileDamaged;
    }
    return 0;
}

ReadResult readRecords(std::span<const uint8_t> bytes, const ReadContext& ctx) {
    ReadResult result;
    constexpr size_t kMagicSize = sizeof kDesignMagic - 1;
    if (bytes.size() < kMagicSize || std::memcmp(bytes.data(), kDesignMagic, kMagicSize) != 0) {
        result.count = -1;
        return result;
    }
    RecordReader in(bytes.subspan(kMagicSize));
    while (!in.atEnd()) {
        uint8_t b = in.u8();
        if (b == '#' || b == 0xFF) break;
        if (b != ':' && b != '%') continue;
        auto object = createByNumber(in.u32());
        if (in.damaged()) break;
        if (!object) continue;  // unknown class: scan on for the next delimiter
        object->read(in, ctx);
        if (in.damaged()) break;  // a record cut short is not an object
        if (object->state > objstate::kMaxKeptOnRead) continue;
        result.objects.append(std::move(object));
        ++result.count;
    }
    result.damaged = in.damaged();
    return result;
}

std::vector<uint8_t> designBytes(const ObjectList& objects) {
    BufferWriter out;
    out.put(reinterpret_cast<const uint8_t*>(kDesignMagic), sizeof kDesignMagic - 1);
    objects.forEach([&](const ModelObject& o) {
        if (o.state < 0) return;
        out.u8(':');
        o.write(out);
    });
    out.u8('#');
    return std::move(out.out);
}

fs::path backupPath(const fs::path& path) {
    std::string s = path.string();
    size_t look = std::min<size_t>(4, s.size());
    for (size_t i = 0; i < look; ++i) {
        size_t at = s.size() - 1 - i;
        if (s[at] == '.') {
            s.resize(at);
            break;
        }
    }
    return fs::path(s + ".bak");
}

bool readFileBytes(const fs::path& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::error_code ec;
    auto size = fs::file_size(path, ec);
    if (ec) return false;
    out.resize(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(size)))
        return false;
    return true;
}

namespace {

bool writeAndSync(const fs::path& path, std::span<const uint8_t> bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = ::fsync(fileno(f)) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

}  // namespace

bool writeFileAtomically(const fs::path& path, std::span<const uint8_t> bytes) {
    std::error_code ec;
    // A read-only target is the user's protection; renaming over it would defeat that.
    if (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0) return false;
    fs::path temp = path;
    temp += ".saving";
    // The read-back is bounded: a medium that keeps returning other bytes fails the save.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (!writeAndSync(temp, bytes)) break;
        std::vector<uint8_t> back;
        if (readFileBytes(temp, back) && back.size() == bytes.size() &&
            std::equal(back.begin(), back.end(), bytes.begin())) {
            if (fs::exists(path, ec)) {
                fs::permissions(temp, fs::status(path, ec).permissions(), ec);
            }
            fs::rename(temp, path, ec);
            if (!ec) return true;
            break;
        }
    }
    fs::remove(temp, ec);
    return false;
}

FileStatus replaceFile(const fs::path& path, std::span<const uint8_t> bytes, bool keepBackup) {
    std::error_code ec;
    keepBackup = keepBackup && fs::is_regular_file(path, ec) &&
                 ::access(path.c_str(), R_OK | W_OK) == 0;
    if (keepBackup) {
        fs::path bak = backupPath(path);
        fs::remove(bak, ec);
        // A hard link keeps the old contents under the backup name without copying them; the
        // new file then replaces the original name atomically.
        fs::create_hard_link(path, bak, ec);
        if (ec) fs::copy_file(path, bak, fs::copy_options::overwrite_existing, ec);
    }
    return writeFileAtomically(path, bytes) ? FileStatus::Ok : FileStatus::CannotWrite;
}

FileStatus saveDesign(Document& doc, const fs::path& path) {
    FileStatus s = replaceFile(path, designBytes(doc.objects()), true);
    if (s != FileStatus::Ok) return s;
    doc.modified = false;
    doc.path = path;
    return FileStatus::Ok;
}

FileStatus openDesign(Document& doc, const fs::path& path) {
    doc.reset();
    doc.path = path;
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return FileStatus::CannotOpen;
    ReadResult r = readRecords(bytes, ReadContext{doc.gems()});
    if (r.count < 0) return FileStatus::InvalidFormat;
    for (size_t i = 0; i < r.objects.size(); ++i) r.objects[i].serial = doc.takeSerial();
    doc.objects().appendAll(std::move(r.objects));
    return r.damaged ? FileStatus::Damaged : FileStatus::Ok;
}

FileStatus insertDesign(Document& doc, const fs::path& path) {
    std::vector<uint8_t> bytes;
    if (!readFileBytes(path, bytes)) return FileStatus::CannotOpen;
    ReadResult r = readRecords(bytes, ReadContext{doc.gems()});
    if (r.count <= 0) return r.damaged ? FileStatus::Damaged : FileStatus::NoObjects;
    while (!r.objects.empty()) {
        auto o = r.objects.takeAt(0);
        o->serial = doc.takeSerial();
        doc.addObject(std::move(o), false);
    }
    return r.damaged ? FileStatus::Damaged : FileStatus::Ok;
}

void writeViewerRecords(const ObjectList& objects, RecordWriter& sink, uint32_t seed) {
    ScramblingWriter out(sink, seed);
    for (size_t i = 0; i < sizeof kViewerMagic - 1; ++i) out.u8(static_cast<uint8_t>(kViewerMagic[i]));
    objects.forEach([&](const ModelObject& o) {
        if (o.state < 0) return;
        for (uint8_t b : {0x21, 0x5E, 0x29}) out.u8(b);
        o.write(out);
    });
    out.u8('&');
}

FileStatus writeViewerFile(const ObjectList& objects, const fs::path& path, uint32_t seed) {
    BufferWriter plain;
    writeViewerRecords(objects, plain, seed);
    return writeFileAtomically(path, plain.out) ? FileStatus::Ok : FileStatus::CannotWrite;
}

}  // namespace orv
