#include "Platform/Prometheus/PrometheusResponse.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Kind = PrometheusError::Kind;

TEST(PrometheusResponseTest, ReadsVectorsScalarsAndMatrices)
{
    const auto vector = PrometheusResponse::parse(
        R"({"status":"success","data":{"resultType":"vector","result":[
            {"metric":{"instance":"a:9100","job":"node"},"value":[1700000000.1,"0.25"]},
            {"metric":{"instance":"b:9100"},"value":[1700000000.1,"NaN"]}]}})");
    ASSERT_FALSE(vector.error.isError());
    ASSERT_EQ(vector.vector.size(), 2);
    EXPECT_EQ(vector.vector[0].labels.value("instance"), "a:9100");
    EXPECT_DOUBLE_EQ(vector.vector[0].value, 0.25);
    EXPECT_TRUE(std::isnan(vector.vector[1].value));

    const auto scalar
        = PrometheusResponse::parse(R"({"status":"success","data":{"resultType":"scalar","result":[1,"-Inf"]}})");
    ASSERT_EQ(scalar.vector.size(), 1);
    EXPECT_TRUE(std::isinf(scalar.vector[0].value) && scalar.vector[0].value < 0);

    const auto matrix = PrometheusResponse::parse(
        R"({"status":"success","data":{"resultType":"matrix","result":[
            {"metric":{"cpu":"0"},"values":[[10,"1"],[40,"2.5"]]}]}})");
    ASSERT_EQ(matrix.matrix.size(), 1);
    ASSERT_EQ(matrix.matrix[0].points.size(), 2);
    EXPECT_DOUBLE_EQ(matrix.matrix[0].points[1].time, 40);
    EXPECT_DOUBLE_EQ(matrix.matrix[0].points[1].value, 2.5);
}

TEST(PrometheusResponseTest, ServerErrorsKeepTheServersWords)
{
    const auto result
        = PrometheusResponse::parse(R"({"status":"error","errorType":"bad_data","error":"parse error at char 5"})");
    EXPECT_EQ(result.error.kind, Kind::queryFailed);
    EXPECT_EQ(result.error.detail, "bad_data: parse error at char 5");
}

TEST(PrometheusResponseTest, AnythingElseIsNotAPrometheusAnswer)
{
    // Each of these would otherwise be read as numbers or crash a careless reader.
    const char* bodies[] = {
        "",
        "<html>Grafana</html>",
        "[]",
        "null",
        R"({"status":1})",
        R"({"status":"success"})",
        R"({"status":"success","data":{"resultType":"vector","result":{}}})",
        R"({"status":"success","data":{"resultType":"vector","result":[1]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{},"value":[1]}]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{},"value":[1,2]}]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{},"value":[1,"12abc"]}]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{"a":5},"value":[1,"1"]}]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{},"value":["x","1"]}]}})",
        R"({"status":"success","data":{"resultType":"matrix","result":[{"metric":{},"values":[[1,"1"],"2"]}]}})",
        R"({"status":"success","data":{"resultType":"streams","result":[]}})",
        R"({"status":"success","data":{"resultType":"vector","result":[{"metric":{},"value":[1,"1e999"]}]}})",
    };
    for (const char* body : bodies) {
        const auto result = PrometheusResponse::parse(QByteArray(body));
        EXPECT_EQ(result.error.kind, Kind::notPrometheus) << body;
        EXPECT_TRUE(result.vector.isEmpty() && result.matrix.isEmpty()) << body;
    }
}

TEST(PrometheusResponseTest, BoundsTheNumberOfSeriesAndPoints)
{
    QByteArray many = R"({"status":"success","data":{"resultType":"vector","result":[)";
    for (qsizetype i = 0; i <= PrometheusResponse::maximumSeries; ++i)
        many += (i ? "," : "") + QByteArray(R"({"metric":{},"value":[1,"1"]})");
    many += "]}}";
    EXPECT_EQ(PrometheusResponse::parse(many).error.kind, Kind::tooLarge);

    QByteArray points = R"({"status":"success","data":{"resultType":"matrix","result":[{"metric":{},"values":[)";
    for (qsizetype i = 0; i <= PrometheusResponse::maximumPoints; ++i)
        points += (i ? "," : "") + QByteArray(R"([1,"1"])");
    points += "]}]}}";
    EXPECT_EQ(PrometheusResponse::parse(points).error.kind, Kind::tooLarge);
}

} // namespace
