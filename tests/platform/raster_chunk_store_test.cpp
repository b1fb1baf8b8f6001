// Chunks that share a worker's store: each keeps its own records, numbered from its own
// start, however the store grows behind them; and warm frames reuse the stores whichever
// worker builds which chunk.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/raster/geometry_stage.h"
#include "tests/platform/raster_test_support.h"

namespace rm {
namespace {

using namespace rastertest;
using raster::Chunk;
using raster::ChunkStore;
using raster::ColorPlanes;
using raster::LineSetup;
using raster::TriangleSetup;

TriangleSetup Triangle(std::uint32_t tag) {
    TriangleSetup t{};
    t.color = tag;
    return t;
}

LineSetup Line(std::uint32_t tag) {
    LineSetup l{};
    l.color = tag;
    return l;
}

TEST(RasterChunkStore, ChunksKeepTheirOwnRecordsWhileTheStoreGrowsBehindThem) {
    ChunkStore store;
    store.Reset({});  // no room: every chunk below makes the store move its records
    std::vector<Chunk> chunks(3);
    const std::uint32_t triangles[] = {700, 0, 1500};
    for (std::uint32_t c = 0; c < 3; ++c) {
        Chunk& chunk = chunks[c];
        chunk.Begin(store);
        for (std::uint32_t i = 0; i < triangles[c]; ++i) {
            TriangleSetup t = Triangle(c * 10000 + i);
            if (i % 3 == 0) {
                ColorPlanes p{};
                p.r0 = static_cast<float>(c * 10000 + i);
                const std::uint32_t shade = chunk.AddShade(p);
                EXPECT_EQ(shade, i / 3);  // counted from the chunk's first shade
                t.SetFlags(raster::kPrimGouraud);
                t.SetShade(shade);  // a Gouraud triangle's colour word holds its planes' index
            }
            chunk.AddTriangle(t);
            if (i % 100 == 0) {
                chunk.AddLine(Line(c * 10000 + i), c);
            }
        }
        const auto entries = chunk.AddEntries(triangles[c] / 2);
        for (std::size_t e = 0; e < entries.size(); ++e) {
            entries[e] = c * 10000 + static_cast<std::uint32_t>(e);
        }
        chunk.Seal();
    }
    for (Chunk& chunk : chunks) {
        chunk.Seal();  // as the renderer does once every chunk is built
    }
    for (std::uint32_t c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        const Chunk& chunk = chunks[c];
        ASSERT_EQ(chunk.triangles.size(), triangles[c]);
        ASSERT_EQ(chunk.shades.size(), (triangles[c] + 2) / 3);
        ASSERT_EQ(chunk.lines.size(), (triangles[c] + 99) / 100);
        ASSERT_EQ(chunk.lineAfter.size(), chunk.lines.size());
        ASSERT_EQ(chunk.lineTiles.size(), chunk.lines.size());
        ASSERT_EQ(chunk.entries.size(), triangles[c] / 2);
        EXPECT_EQ(chunk.PrimitiveCount(), chunk.triangles.size() + chunk.lines.size());
        for (std::uint32_t i = 0; i < triangles[c]; ++i) {
            const TriangleSetup& t = chunk.triangles[i];
            if (i % 3 == 0) {
                ASSERT_EQ(t.Flags(), raster::kPrimGouraud);
                ASSERT_EQ(chunk.shades[t.Shade()].r0, static_cast<float>(c * 10000 + i));
            } else {
                ASSERT_EQ(t.color, c * 10000 + i);
            }
        }
        for (std::size_t l = 0; l < chunk.lines.size(); ++l) {
            EXPECT_EQ(chunk.lines[l].color, c * 10000 + 100 * l);
            EXPECT_EQ(chunk.lineAfter[l], 100 * l + 1);  // triangles of its own chunk only
            EXPECT_EQ(chunk.lineTiles[l], c);
        }
        for (std::size_t e = 0; e < chunk.entries.size(); ++e) {
            ASSERT_EQ(chunk.entries[e], c * 10000 + e);
        }
    }
    // Once the store is reset a chunk holds nothing, even when sealed again.
    chunks[0].Forget();
    store.Reset({});
    chunks[0].Seal();
    EXPECT_TRUE(chunks[0].triangles.empty());
    EXPECT_TRUE(chunks[0].entries.empty());
    EXPECT_EQ(chunks[0].PrimitiveCount(), 0U);
}

TEST(RasterChunkStore, HandingBackTheRoomPastTheRecordsKeepsEveryRecord) {
    ChunkStore store;
    // Several huge pages' worth of room, the records ending inside a small page.
    store.Reset({200000, 0, 0, 1500000});
    Chunk chunk;
    chunk.Begin(store);
    constexpr std::uint32_t kTriangles = 60001;
    for (std::uint32_t i = 0; i < kTriangles; ++i) {
        chunk.AddTriangle(Triangle(i + 1));
    }
    const auto entries = chunk.AddEntries(700001);
    for (std::size_t e = 0; e < entries.size(); ++e) {
        entries[e] = static_cast<std::uint32_t>(e + 1);
    }
    store.ReleaseTails();
    chunk.Seal();
    for (std::uint32_t i = 0; i < kTriangles; ++i) {
        ASSERT_EQ(chunk.triangles[i].color, i + 1);
    }
    for (std::size_t e = 0; e < chunk.entries.size(); ++e) {
        ASSERT_EQ(chunk.entries[e], e + 1);
    }
    // The room handed back is still room: a next chunk writes and reads it.
    Chunk next;
    next.Begin(store);
    for (std::uint32_t i = 0; i < 5000; ++i) {
        next.AddTriangle(Triangle(~i));
    }
    next.Seal();
    chunk.Seal();
    EXPECT_EQ(chunk.triangles.back().color, kTriangles);
    for (std::uint32_t i = 0; i < 5000; ++i) {
        ASSERT_EQ(next.triangles[i].color, ~i);
    }
}

// Many small chunks of every kind of record: flat and Gouraud faces, wireframe edges.
MeshData Scatter(unsigned seed, int faces) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> along(-8.0F, 8.0F);
    std::uniform_real_distribution<float> depth(12.0F, 40.0F);
    std::uniform_real_distribution<float> offset(-0.6F, 0.6F);
    MeshData mesh;
    for (int f = 0; f < faces; ++f) {
        const D3DVECTOR c{along(rng), along(rng), depth(rng)};
        const auto corner = [&] { return D3DVECTOR{c.x + offset(rng), c.y + offset(rng), c.z}; };
        const D3DVECTOR n{offset(rng), offset(rng), -1.0F};
        AddFace(mesh, {corner(), corner(), corner(), corner()},
                0xFF000000U | static_cast<D3DCOLOR>(rng() & 0xFFFFFFU), {n, n, n, n});
    }
    return mesh;
}

TEST(RasterChunkStore, WarmFramesAllocateNothingWhicheverWorkerBuildsWhichChunk) {
    static const MeshData flat = Scatter(7, 3000);
    static const MeshData smooth = Scatter(8, 3000);
    static const MeshData wire = Scatter(9, 1000);
    const MeshInstance list[] = {Instance(flat, D3DRMRENDER_FLAT),
                                 Instance(smooth, D3DRMRENDER_GOURAUD),
                                 Instance(wire, D3DRMRENDER_WIREFRAME)};
    const SceneLights lights;
    RenderJob job = MakeJob(list, 256);
    job.ambient = lights.ambient;
    job.lights = lights.lights;
    Renderer one(256, 256, 1);
    const auto expected = Draw(one, job);
    ASSERT_GT(CountDrawn(expected), 256 * 256 / 4);

    // More workers than cores: the chunks fall to the workers differently every frame.
    Renderer r(256, 256, 3);
    ASSERT_TRUE(Draw(r, job) == expected);
    const std::size_t warm = r.ReservedBytes();
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(Draw(r, job) == expected);
        EXPECT_EQ(r.ReservedBytes(), warm) << "frame " << i;
        if (i == 4) {
            PickResult hit;
            (void)r.Pick(job, 128, 128, hit);  // a pick between frames takes no room away
        }
        if (i == 8) {
            const RenderJob smaller = MakeJob({list, 1}, 256);
            (void)Draw(r, smaller);  // nor does a smaller frame
        }
    }
}

}  // namespace
}  // namespace rm
