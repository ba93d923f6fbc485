#pragma once
// The byte layout the set-up fuzzer reads, and its writer for the seed corpus.
//
// All numbers little-endian, read with memcpy; past the end of the input every value reads as 0.
//   u8      calls: bits 0-1 = iterate calls before the update - 1, bits 2-3 = iterate calls after it
//   i32 x 5 nodeCount, triangleCount, quadCount, boundaryEdgeCount, boundaryKindCount
//   i32 x 7 lengths of coords, triangles, quads, boundaryEdges, boundaryKinds, parameters and the
//           update vector; a negative length is a null array, lengths are capped at maxLength
//   then the values of the seven arrays in that order (f64 for coords and both settings
//   vectors, i32 for the others).
// Counts and lengths are independent, so short, long and null arrays, negative and huge counts
// all occur; a valid mesh is a seed the mutations start from.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "support/session_calls.h"

namespace kestrafol::fuzzing {

inline constexpr std::int32_t maxLength = 4096;

struct FuzzInput {
    int iterationsBefore = 1;  // 1..4
    int iterationsAfter = 0;   // 0..3
    testing::OwnedStart start;
    testing::OwnedArray<double> update;
};

class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    template <typename T>
    T read() {
        T value{};
        if (size_ - offset_ >= sizeof(T)) {
            std::memcpy(&value, data_ + offset_, sizeof(T));
            offset_ += sizeof(T);
        } else {
            offset_ = size_;
        }
        return value;
    }

    template <typename T>
    testing::OwnedArray<T> readArray(std::int32_t length) {
        if (length < 0) return std::nullopt;
        std::vector<T> values(static_cast<std::size_t>(length > maxLength ? maxLength : length));
        for (T& value : values) value = read<T>();
        return values;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

inline FuzzInput decodeFuzzInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in(data, size);
    FuzzInput f;
    const auto calls = in.read<std::uint8_t>();
    f.iterationsBefore = 1 + (calls & 3);
    f.iterationsAfter = (calls >> 2) & 3;
    testing::OwnedStart& s = f.start;
    s.nodeCount = in.read<std::int32_t>();
    s.triangleCount = in.read<std::int32_t>();
    s.quadCount = in.read<std::int32_t>();
    s.boundaryEdgeCount = in.read<std::int32_t>();
    s.boundaryKindCount = in.read<std::int32_t>();
    std::int32_t lengths[7];
    for (std::int32_t& length : lengths) length = in.read<std::int32_t>();
    s.coords = in.readArray<double>(lengths[0]);
    s.triangles = in.readArray<std::int32_t>(lengths[1]);
    s.quads = in.readArray<std::int32_t>(lengths[2]);
    s.boundaryEdges = in.readArray<std::int32_t>(lengths[3]);
    s.boundaryKinds = in.readArray<std::int32_t>(lengths[4]);
    s.parameters = in.readArray<double>(lengths[5]);
    f.update = in.readArray<double>(lengths[6]);
    return f;
}

// The inverse of decodeFuzzInput, for writing seeds.
class ByteWriter {
public:
    template <typename T>
    void write(T value) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
        bytes_.insert(bytes_.end(), bytes, bytes + sizeof(T));
    }
    template <typename T>
    void writeArray(const testing::OwnedArray<T>& array) {
        if (array)
            for (const T& value : *array) write(value);
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

template <typename T>
std::int32_t encodedLength(const testing::OwnedArray<T>& array) {
    return array ? static_cast<std::int32_t>(array->size()) : -1;
}

inline std::vector<std::uint8_t> encodeFuzzInput(const FuzzInput& f) {
    ByteWriter out;
    out.write(static_cast<std::uint8_t>((f.iterationsBefore - 1) | (f.iterationsAfter << 2)));
    const testing::OwnedStart& s = f.start;
    for (const std::int32_t count : {s.nodeCount, s.triangleCount, s.quadCount, s.boundaryEdgeCount,
                                     s.boundaryKindCount})
        out.write(count);
    for (const std::int32_t length :
         {encodedLength(s.coords), encodedLength(s.triangles), encodedLength(s.quads),
          encodedLength(s.boundaryEdges), encodedLength(s.boundaryKinds), encodedLength(s.parameters),
          encodedLength(f.update)})
        out.write(length);
    out.writeArray(s.coords);
    out.writeArray(s.triangles);
    out.writeArray(s.quads);
    out.writeArray(s.boundaryEdges);
    out.writeArray(s.boundaryKinds);
    out.writeArray(s.parameters);
    out.writeArray(f.update);
    return out.bytes();
}

}  // namespace kestrafol::fuzzing
